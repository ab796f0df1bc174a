#include "viewer/win/viewer_class_entry.h"

#include "VeltaraDeskZevEvov.h"
#include "comframe/class_factory.h"
#include "comframe/com_module.h"
#include "resource_ids.h"
#include "viewer/win/viewer_creation.h"

namespace {

HRESULT UpdateViewerRegistry(bool doRegister) {
  ComModule* module = ComModule::Current();
  if (module == nullptr) return E_UNEXPECTED;
  return module->UpdateRegistryFromResource(IDR_CLASS_SCRIPT, doRegister);
}

const wchar_t* NoDescription() { return nullptr; }

const CATID* NoCategories() { return nullptr; }

// The viewer has nothing to set up or tear down with the server.
void NothingToStartOrStop(bool) {}

}  // namespace

ClassEntry viewerClassEntry = {
    &CLSID_Dorvex_ZevEvover, &UpdateViewerRegistry, &CreateClassFactory, &CreateViewerInstance, nullptr, 0,
    &NoDescription,          &NoCategories,         &NothingToStartOrStop,
};
