#pragma once

#include "base/hresult.h"
#include "registrar/replacement_table.h"
#include "registrar/script_services.h"

namespace registrar {

// Where the HKCR root blocks of a script are written.
enum class ClassesRoot {
  // The predefined HKEY_CLASSES_ROOT, as the script names it.
  kAsNamed,
  // HKEY_LOCAL_MACHINE\Software\Classes: machine-wide registration.
  kMachine,
  // HKEY_CURRENT_USER\Software\Classes: per-user registration.
  kUser,
};

// Runs one registration script, given as NUL-terminated text (a script
// resource already converted to UTF-16), in the register pass (doRegister) or
// the unregister pass, with %name% references taken from replacements.
HResult RunScriptText(const char16_t* text, bool doRegister,
                      const ReplacementTable& replacements, const ScriptServices& services,
                      ClassesRoot classes);

}  // namespace registrar
