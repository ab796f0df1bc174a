#include "registrar/run_script_text.h"

#include <optional>

#include "registrar/key_walker.h"
#include "registrar/script_expander.h"
#include "registrar/script_text_buffer.h"
#include "registrar/token_scanner.h"

namespace registrar {
namespace {

struct RootKeyName {
  const char16_t* name;
  RegKey key;
};

// The names a root block may start with, tried in this order.
constexpr RootKeyName kRootKeyNames[] = {
    {u"HKCR", reg::kClassesRoot},
    {u"HKCU", reg::kCurrentUser},
    {u"HKLM", reg::kLocalMachine},
    {u"HKU", reg::kUsers},
    {u"HKPD", reg::kPerformanceData},
    {u"HKDD", reg::kDynData},
    {u"HKCC", reg::kCurrentConfig},
    {u"HKEY_CLASSES_ROOT", reg::kClassesRoot},
    {u"HKEY_CURRENT_USER", reg::kCurrentUser},
    {u"HKEY_LOCAL_MACHINE", reg::kLocalMachine},
    {u"HKEY_USERS", reg::kUsers},
    {u"HKEY_PERFORMANCE_DATA", reg::kPerformanceData},
    {u"HKEY_DYN_DATA", reg::kDynData},
    {u"HKEY_CURRENT_CONFIG", reg::kCurrentConfig},
};

std::optional<RegKey> RootKeyFromName(const TokenBuffer& name, const TextCompare& compare) {
  for (const RootKeyName& root : kRootKeyNames) {
    if (compare.EqualNoCase(name.data(), root.name)) return root.key;
  }
  return std::nullopt;
}

}  // namespace

HResult RunScriptText(const char16_t* text, bool doRegister,
                      const ReplacementTable& replacements, const ScriptServices& services,
                      bool perUserRegistration) {
  if (text == nullptr) return hr::kPointer;
  ScriptTextBuffer expanded(services.memory);
  RETURN_IF_FAILED(ScriptExpander(replacements, perUserRegistration).Expand(text, expanded));

  TokenScanner scanner(expanded.view());
  KeyWalker walker(scanner, services);
  TokenBuffer token;
  while (!scanner.AtEnd()) {
    RETURN_IF_FAILED(scanner.ReadToken(token));
    const std::optional<RegKey> root = RootKeyFromName(token, services.compare);
    if (!root) return hr::kDispException;
    RETURN_IF_FAILED(scanner.ReadToken(token));
    // Behind a root name any token that starts with "{" opens the block.
    if (token[0] != u'{') return hr::kDispException;
    RETURN_IF_FAILED(doRegister ? walker.Register(*root, token) : walker.Unregister(*root, token));
    scanner.SkipBlanks();
  }
  return hr::kOk;
}

}  // namespace registrar
