#include "registrar/run_script_text.h"

#include "registrar/reg_script_parser.h"

namespace registrar {

HResult RunScriptText(const char16_t* text, bool doRegister,
                      const ReplacementTable& replacements, const ScriptServices& services,
                      bool perUserRegistration) {
  CRegScriptParser parser(replacements, services, perUserRegistration);
  return parser.RunScript(text, doRegister);
}

}  // namespace registrar
