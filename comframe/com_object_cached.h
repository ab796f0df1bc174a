// A class object of class T as the class table caches it. The cache's own
// reference (the first) does not keep the library loaded; every further one,
// held by a client, does: the module lock is taken when the count reaches 2
// and given back when it falls to 1.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "comframe/com_module.h"
#include "comframe/interface_table.h"

template <typename T>
class CComObjectCached final : public T {
 public:
  CComObjectCached() = default;
  virtual ~CComObjectCached() { this->MarkDestroyed(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    return QueryInterfaceByTable(static_cast<T*>(this), T::InterfaceTable(), iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override {
    const ULONG count = this->InternalAddRef();
    if (count == 2) LockServerModule();
    return count;
  }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG count = this->InternalRelease();
    if (count == 0) {
      delete this;
    } else if (count == 1) {
      UnlockServerModule();
    }
    return count;
  }
};
