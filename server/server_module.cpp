#include "server/server_module.h"

#include "registrar/win/reg_object.h"
#include "server/app_id.h"
#include "server/module_base.h"
#include "server/registration.h"

CVeltaraDeskZevEvovModule::CVeltaraDeskZevEvovModule(const ClassTable& classes) : classes_(classes) {
  if (!Ready()) initFailed = true;
  classes_.ForEachEntry([](ClassEntry& entry) {
    if (entry.startStop != nullptr) entry.startStop(true);
    return S_OK;
  });
}

CVeltaraDeskZevEvovModule::~CVeltaraDeskZevEvovModule() {
  classes_.ForEachEntry([](ClassEntry& entry) {
    if (entry.startStop != nullptr) entry.startStop(false);
    return S_OK;
  });
}

// The one module object of this library is the server's.
CVeltaraDeskZevEvovModule* CVeltaraDeskZevEvovModule::Current() {
  return static_cast<CVeltaraDeskZevEvovModule*>(ComModule::Current());
}

HRESULT CVeltaraDeskZevEvovModule::UpdateRegistryFromResource(UINT resourceId, bool doRegister) {
  const ModuleBase* base = ModuleBase::Current();
  if (base == nullptr) return E_UNEXPECTED;
  return RunRegistrationScript(base->ModuleInstance(), resourceId, doRegister, nullptr);
}

HRESULT CVeltaraDeskZevEvovModule::AddCommonReplacements(registrar::IRegistrarBase& registrar) {
  return registrar.DefineReplacement(L"APPID", kAppIdText);
}
