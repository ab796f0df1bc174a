#pragma once

#include "base/hresult.h"
#include "registrar/replacement_table.h"
#include "registrar/script_services.h"

namespace registrar {

// Runs one registration script, given as NUL-terminated text (a script
// resource already converted to UTF-16), in the register pass (doRegister) or
// the unregister pass, with %name% references taken from replacements.
// perUserRegistration moves HKCR blocks below HKEY_CURRENT_USER\Software\Classes.
HResult RunScriptText(const char16_t* text, bool doRegister,
                      const ReplacementTable& replacements, const ScriptServices& services,
                      bool perUserRegistration);

}  // namespace registrar
