#include "comframe/class_factory.h"

#include <memory>
#include <new>

#include "base/exception_barrier.h"
#include "base/hresult.h"
#include "comframe/com_module.h"
#include "comframe/com_object_cached.h"

namespace {

const InterfaceEntry kClassFactoryInterfaces[] = {
    {&IID_IClassFactory, FaceOffset<IClassFactory, CComClassFactory>()},
    {nullptr, 0},
};

}  // namespace

const InterfaceEntry* CComClassFactory::InterfaceTable() { return kClassFactoryInterfaces; }

HRESULT CComClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) noexcept {
  return ExceptionBarrier([&]() -> HRESULT {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    // An aggregate's inner part hands its outer object nothing but IUnknown.
    if (outer != nullptr && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return createInstance_(outer, iid, out);
  });
}

HRESULT CComClassFactory::LockServer(BOOL lock) noexcept {
  ComModule* module = ComModule::Current();
  if (module == nullptr) return E_UNEXPECTED;
  if (lock) {
    module->AddClientLock();
    return S_OK;
  }
  // An unlock the client never locked would take a live object's lock away
  // and let the library unload under it.
  return module->ReleaseClientLock() ? S_OK : E_UNEXPECTED;
}

HRESULT CreateClassFactory(InstanceCreator creator, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  std::unique_ptr<CComObjectCached<CComClassFactory>> factory(new (std::nothrow) CComObjectCached<CComClassFactory>);
  if (!factory) return E_OUTOFMEMORY;
  factory->SetInstanceCreator(creator);
  RETURN_IF_FAILED(factory->InitializeObjectLock());
  RETURN_IF_FAILED(factory->QueryInterface(iid, out));
  factory.release();
  return S_OK;
}
