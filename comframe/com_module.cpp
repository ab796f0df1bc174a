#include "comframe/com_module.h"

#include <new>

#include "base/win/critical_section_guard.h"

namespace {

ComModule* current = nullptr;

}  // namespace

ComModule::ComModule() {
  current = this;
  if (SUCCEEDED(staticLock_.Initialize())) ready_ = 1;
}

ComModule::~ComModule() {
  TerminateModule();
  current = nullptr;
}

ComModule* ComModule::Current() { return current; }

LONG ComModule::LockModule() { return InterlockedIncrement(&lockCount_); }

LONG ComModule::UnlockModule() { return InterlockedDecrement(&lockCount_); }

LONG ComModule::CurrentLockCount() const { return lockCount_; }

void ComModule::AddClientLock() {
  InterlockedIncrement(&clientLocks_);
  LockModule();
}

bool ComModule::ReleaseClientLock() {
  for (LONG held = clientLocks_; held > 0; held = clientLocks_) {
    if (InterlockedCompareExchange(&clientLocks_, held - 1, held) == held) {
      UnlockModule();
      return true;
    }
  }
  return false;
}

void ComModule::AddTermCallback(TermCallback callback, DWORD_PTR argument) {
  std::unique_ptr<TermCallbackNode> node(new (std::nothrow) TermCallbackNode{callback, argument, nullptr});
  if (!node) return;
  CriticalSectionGuard guard(staticLock_);
  node->next = std::move(termCallbacks_);
  termCallbacks_ = std::move(node);
}

void ComModule::TerminateModule() {
  if (ready_ == 0) return;
  while (std::unique_ptr<TermCallbackNode> node = std::move(termCallbacks_)) {
    termCallbacks_ = std::move(node->next);
    node->callback(node->argument);
  }
  staticLock_.Delete();
  ready_ = 0;
}
