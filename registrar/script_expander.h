#pragma once

#include <string_view>

#include "base/hresult.h"
#include "registrar/replacement_table.h"
#include "registrar/script_text_buffer.h"

namespace registrar {

// Turns a script as stored into the text that is read: %name% references
// become their replacement texts, "%%" one percent sign, and with per-user
// registration the HKCR root moves below HKEY_CURRENT_USER\Software\Classes.
class ScriptExpander {
 public:
  // replacements must outlive the expander.
  ScriptExpander(const ReplacementTable& replacements, bool perUserRegistration)
      : replacements_(replacements), perUserRegistration_(perUserRegistration) {}
  ScriptExpander(const ScriptExpander&) = delete;
  ScriptExpander& operator=(const ScriptExpander&) = delete;

  // Starts out afresh and expands text into it. kPointer for a null text;
  // kDispException for an unknown name or a "%" without its closing one;
  // kFail for a name that is too long; kOutOfMemory when out cannot grow.
  // On failure out holds no usable text.
  HResult Expand(const char16_t* text, ScriptTextBuffer& out) const;

 private:
  HResult AppendReplacement(std::u16string_view name, ScriptTextBuffer& out) const;

  const ReplacementTable& replacements_;
  bool perUserRegistration_;
};

}  // namespace registrar
