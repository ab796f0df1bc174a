#include "server/registration_script.h"

#include <string>

#include "base/hresult.h"
#include "registrar/win/reg_object.h"
#include "server/module_path.h"
#include "server/server_identifiers.h"

namespace {

constexpr wchar_t kRegistryResourceType[] = L"REGISTRY";

// The replacements every script run gets whatever its caller passed: the
// application id. Its failure ends the run.
HRESULT AddCommonReplacements(registrar::IRegistrarBase& registrar) {
  return registrar.DefineReplacement(L"APPID", kAppIdText);
}

}  // namespace

HRESULT RunRegistrationScript(HMODULE module, UINT resourceId, bool doRegister, const ReplacementPair* pairs) {
  registrar::CRegObject registrar;
  RETURN_IF_FAILED(registrar.Initialize());

  // A pair that cannot be defined does not stop the run: the script then
  // fails on the missing name if it needs it.
  for (const ReplacementPair* pair = pairs; pair != nullptr && pair->name != nullptr; ++pair) {
    if (pair->text != nullptr) registrar.DefineReplacement(pair->name, pair->text);
  }
  RETURN_IF_FAILED(AddCommonReplacements(registrar));

  wchar_t path[kModulePathCapacity];
  RETURN_IF_FAILED(ReadModulePath(module, path));
  const std::wstring escaped = EscapeModulePath(path);
  if (FAILED(registrar.DefineReplacement(L"Module", escaped.c_str())) ||
      FAILED(registrar.DefineReplacement(L"Module_Raw", escaped.c_str()))) {
    return E_OUTOFMEMORY;
  }
  return registrar.RunScriptResource(path, resourceId, kRegistryResourceType, doRegister);
}
