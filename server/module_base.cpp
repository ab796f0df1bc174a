#include "server/module_base.h"

bool initFailed = false;

namespace {

ModuleBase* current = nullptr;

}  // namespace

ModuleBase::ModuleBase(HINSTANCE instance) : moduleInstance_(instance) { current = this; }

ModuleBase::~ModuleBase() { current = nullptr; }

ModuleBase* ModuleBase::Current() { return current; }
