// The built DLL loaded into the test process with LoadLibrary, its two
// class-object exports at hand. Unloaded on destruction, so every instance
// meets a freshly started server (as long as nothing else holds the DLL).
#pragma once

#include <windows.h>
#include <ole2.h>

#include "base/win/unique_module.h"

class LoadedServer {
 public:
  LoadedServer();
  LoadedServer(const LoadedServer&) = delete;
  LoadedServer& operator=(const LoadedServer&) = delete;

  bool loaded() const { return getClassObject_ != nullptr && canUnloadNow_ != nullptr; }

  HRESULT GetClassObject(REFCLSID classId, REFIID iid, void** out) const;
  HRESULT CanUnloadNow() const;

  // The viewer's class object, or null.
  IClassFactory* ViewerClassObject() const;

 private:
  using GetClassObjectFunction = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  using CanUnloadNowFunction = HRESULT(WINAPI*)();

  UniqueModule module_;
  GetClassObjectFunction getClassObject_ = nullptr;
  CanUnloadNowFunction canUnloadNow_ = nullptr;
};
