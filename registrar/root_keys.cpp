// The root names a script may start a block with, and the keywords of the
// language, compared the platform's way without regard to case.
#include "registrar/reg_script_parser.h"

namespace registrar {
namespace {

struct RootKeyName {
  const char16_t* name;
  RegKey key;
};

// Tried in this order.
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

}  // namespace

std::optional<RegKey> CRegScriptParser::RootKeyFromName(const char16_t* name) const {
  if (name == nullptr) return std::nullopt;
  for (const RootKeyName& root : kRootKeyNames) {
    if (services_.compare.EqualNoCase(name, root.name)) return root.key;
  }
  return std::nullopt;
}

bool CRegScriptParser::IsKeyword(const TokenBuffer& token, const char16_t* keyword) const {
  return services_.compare.EqualNoCase(token.data(), keyword);
}

}  // namespace registrar
