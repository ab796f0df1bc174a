#include "server/class_list.h"

#include "VeltaraDeskZevEvov.h"
#include "resource_ids.h"
#include "server/class_factory.h"
#include "server/module_base.h"
#include "server/registration.h"
#include "server/viewer_creation.h"

namespace {

HRESULT UpdateViewerRegistry(bool doRegister) {
  return RunRegistrationScript(ModuleBase::Current()->ModuleInstance(), IDR_CLASS_SCRIPT, doRegister, nullptr);
}

const wchar_t* NoDescription() { return nullptr; }

const CATID* NoCategories() { return nullptr; }

// The viewer has nothing to set up or tear down with the server.
void NothingToStartOrStop(bool) {}

ClassEntry viewerClassEntry = {
    &CLSID_Dorvex_ZevEvover, &UpdateViewerRegistry, &CreateClassFactory, &CreateViewerInstance, nullptr, 0,
    &NoDescription,          &NoCategories,         &NothingToStartOrStop,
};

ClassEntry* const serverClasses[] = {&viewerClassEntry};

}  // namespace

std::span<ClassEntry* const> ServerClasses() { return serverClasses; }
