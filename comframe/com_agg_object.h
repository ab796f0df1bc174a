// An object of class T made inside an aggregate: its own non-delegating
// IUnknown, which only the outer object holds, with a count of its own; and
// the contained T, whose interfaces delegate to the outer object. Holds one
// module lock from construction to destruction.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "comframe/com_contained_object.h"
#include "comframe/com_module.h"
#include "comframe/com_object_root.h"
#include "comframe/interface_table.h"

template <typename T>
class CComAggObject final : public IUnknown {
 public:
  explicit CComAggObject(IUnknown* outer) : contained_(outer) { LockServerModule(); }
  virtual ~CComAggObject() {
    refCount_ = kDestroyedRefCount;
    UnlockServerModule();
  }
  CComAggObject(const CComAggObject&) = delete;
  CComAggObject& operator=(const CComAggObject&) = delete;

  HRESULT InitializeObjectLock() { return contained_.InitializeObjectLock(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      AddRef();
      *out = static_cast<IUnknown*>(this);
      return S_OK;
    }
    return QueryInterfaceByTable(static_cast<T*>(&contained_), T::InterfaceTable(), iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG count = static_cast<ULONG>(InterlockedDecrement(&refCount_));
    if (count == 0) {
      LockServerModule();
      delete this;
      UnlockServerModule();
    }
    return count;
  }

 private:
  LONG refCount_ = 0;
  CComContainedObject<T> contained_;
};
