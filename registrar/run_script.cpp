// The driver over the root blocks of a script, with the rollback of a root
// block whose register pass fails.
#include "registrar/reg_script_parser.h"

namespace registrar {

HResult CRegScriptParser::RunScript(const char16_t* text, bool doRegister) {
  if (text == nullptr) return hr::kPointer;
  ScriptTextBuffer expanded(services_.memory);
  if (HResult result = Expand(text, expanded); hr::Failed(result)) return result;
  StartAt(expanded.view());

  TokenBuffer token;
  while (!AtEnd()) {
    if (HResult result = ReadToken(token); hr::Failed(result)) return result;
    const std::optional<RegKey> root = RootKeyFromName(token.data());
    if (!root) return hr::kDispException;
    if (HResult result = ReadToken(token); hr::Failed(result)) return result;
    if (token[0] != u'{') return hr::kDispException;

    if (doRegister) {
      const char16_t* blockStart = pos_;
      const HResult result = ProcessKeyBlock(token, *root, true, false);
      if (hr::Failed(result)) {
        // Remove what this block wrote; the first failure is what counts.
        pos_ = blockStart;
        ProcessKeyBlock(token, *root, false, false);
        return result;
      }
    } else if (HResult result = ProcessKeyBlock(token, *root, false, false);
               hr::Failed(result)) {
      return result;
    }
    SkipBlanks();
  }
  return hr::kOk;
}

}  // namespace registrar
