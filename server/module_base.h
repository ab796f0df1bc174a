// The first of the server's process-wide records: the library's own instance
// handle, which is also where its registration scripts and type library are
// read from.
#pragma once

#include <windows.h>

// Set when any process-wide record cannot set up its critical section; the
// library then refuses to load.
extern bool initFailed;

class ModuleBase {
 public:
  explicit ModuleBase(HINSTANCE instance);
  ~ModuleBase();
  ModuleBase(const ModuleBase&) = delete;
  ModuleBase& operator=(const ModuleBase&) = delete;

  // The live record, or null before process attach and after detach.
  static ModuleBase* Current();

  // The library's load address as the loader relocated it.
  HINSTANCE ModuleInstance() const { return moduleInstance_; }

 private:
  HINSTANCE moduleInstance_;
};
