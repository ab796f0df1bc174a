#include "server/module_base.h"

#include "base/win/critical_section_guard.h"

bool initFailed = false;

namespace {

ModuleBase* current = nullptr;

}  // namespace

ModuleBase::ModuleBase(HINSTANCE instance) : moduleInstance_(instance), resourceInstance_(instance) {
  if (FAILED(resourceLock_.Initialize())) {
    if (IsDebuggerPresent()) {
      OutputDebugStringW(L"ERROR : Unable to initialize critical section in ModuleBase\n");
    }
    initFailed = true;
  }
  current = this;
}

ModuleBase::~ModuleBase() { current = nullptr; }

ModuleBase* ModuleBase::Current() { return current; }

HINSTANCE ModuleBase::ResourceInstance() {
  CriticalSectionGuard guard(resourceLock_);
  return resourceInstance_;
}
