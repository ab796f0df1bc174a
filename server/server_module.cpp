#include "server/server_module.h"

#include "server/module_base.h"
#include "server/registration_script.h"

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

HRESULT CVeltaraDeskZevEvovModule::UpdateRegistryFromResource(UINT resourceId, bool doRegister) {
  const ModuleBase* base = ModuleBase::Current();
  if (base == nullptr) return E_UNEXPECTED;
  return RunRegistrationScript(base->ModuleInstance(), resourceId, doRegister, nullptr);
}
