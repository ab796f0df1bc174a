#include "loaded_server.h"

#include "VeltaraDeskZevEvov.h"
#include "test_paths.h"

LoadedServer::LoadedServer() : module_(LoadLibraryW(testing_paths::DllPath().c_str())) {
  if (!module_) return;
  getClassObject_ = reinterpret_cast<GetClassObjectFunction>(
      reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllGetClassObject")));
  canUnloadNow_ = reinterpret_cast<CanUnloadNowFunction>(
      reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllCanUnloadNow")));
}

HRESULT LoadedServer::GetClassObject(REFCLSID classId, REFIID iid, void** out) const {
  return getClassObject_(classId, iid, out);
}

HRESULT LoadedServer::CanUnloadNow() const { return canUnloadNow_(); }

IClassFactory* LoadedServer::ViewerClassObject() const {
  IClassFactory* factory = nullptr;
  GetClassObject(CLSID_Dorvex_ZevEvover, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  return factory;
}
