// Deleting keys: a whole tree depth first, or one childless key.
#include "registrar/reg_script_parser.h"

namespace registrar {
namespace {

// Keys that ForceRemove and Delete never delete, whatever a script says.
constexpr const char16_t* kProtectedKeyNames[] = {
    u"AppID",    u"CLSID",    u"Component Categories", u"FileType",
    u"Interface", u"Hardware", u"Mime",                 u"SAM",
    u"SECURITY", u"SYSTEM",   u"Software",             u"TypeLib",
};

}  // namespace

bool CRegScriptParser::IsProtectedKeyName(const char16_t* name) const {
  for (const char16_t* protectedName : kProtectedKeyNames) {
    if (services_.compare.EqualNoCase(name, protectedName)) return true;
  }
  return false;
}

RegError CRegScriptParser::DeleteKeyTree(RegKeyHandle& holder, const char16_t* name) {
  RegKeyHandle key(services_.registry);
  if (RegError opened = key.Open(holder.get(), name, reg::kKeyReadWrite | holder.view_bits());
      opened != reg::kSuccess) {
    return opened;
  }
  // Each deleted subkey leaves the list, so the next one is always at index 0.
  SubkeyNameBuffer subkey{};
  while (services_.registry.EnumSubkey(key.get(), 0, subkey) == reg::kSuccess) {
    subkey.back() = u'\0';
    if (RegError deleted = DeleteKeyTree(key, subkey.data()); deleted != reg::kSuccess) {
      return deleted;
    }
  }
  key.Close();
  return DeleteSingleKey(holder, name);
}

RegError CRegScriptParser::DeleteSingleKey(RegKeyHandle& holder, const char16_t* name) {
  return services_.registry.DeleteKey(holder.get(), name, holder.view_bits());
}

}  // namespace registrar
