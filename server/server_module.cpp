#include "server/server_module.h"

#include <new>

#include "VeltaraDeskZevEvov.h"
#include "base/win/critical_section_guard.h"
#include "registrar/win/reg_object.h"
#include "server/app_id.h"
#include "server/module_base.h"

namespace {

CVeltaraDeskZevEvovModule* current = nullptr;

}  // namespace

CVeltaraDeskZevEvovModule::CVeltaraDeskZevEvovModule(const ClassTable& classes)
    : libraryId_(LIBID_VeltaraDeskZevEvovLib), classes_(classes) {
  current = this;
  if (SUCCEEDED(staticLock_.Initialize())) {
    ready_ = 1;
  } else {
    initFailed = true;
  }
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
  TerminateModule();
  current = nullptr;
}

CVeltaraDeskZevEvovModule* CVeltaraDeskZevEvovModule::Current() { return current; }

LONG CVeltaraDeskZevEvovModule::LockModule() { return InterlockedIncrement(&lockCount_); }

LONG CVeltaraDeskZevEvovModule::UnlockModule() { return InterlockedDecrement(&lockCount_); }

LONG CVeltaraDeskZevEvovModule::CurrentLockCount() const { return lockCount_; }

HRESULT CVeltaraDeskZevEvovModule::AddCommonReplacements(registrar::IRegistrarBase& registrar) {
  return registrar.DefineReplacement(L"APPID", kAppIdText);
}

void CVeltaraDeskZevEvovModule::AddTermCallback(TermCallback callback, DWORD_PTR argument) {
  std::unique_ptr<TermCallbackNode> node(new (std::nothrow) TermCallbackNode{callback, argument, nullptr});
  if (!node) return;
  CriticalSectionGuard guard(staticLock_);
  node->next = std::move(termCallbacks_);
  termCallbacks_ = std::move(node);
}

void CVeltaraDeskZevEvovModule::TerminateModule() {
  if (ready_ == 0) return;
  while (std::unique_ptr<TermCallbackNode> node = std::move(termCallbacks_)) {
    termCallbacks_ = std::move(node->next);
    node->callback(node->argument);
  }
  staticLock_.Delete();
  ready_ = 0;
}
