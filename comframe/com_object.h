// A plain object of class T: counts its own references, holds one module lock
// from construction to destruction, and answers QueryInterface from
// T::InterfaceTable().
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "comframe/com_module.h"
#include "comframe/interface_table.h"

template <typename T>
class CComObject final : public T {
 public:
  // Constructs T's fields first; the module lock is taken only once they stand.
  CComObject() { LockServerModule(); }
  virtual ~CComObject() {
    this->MarkDestroyed();
    UnlockServerModule();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    return QueryInterfaceByTable(static_cast<T*>(this), T::InterfaceTable(), iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return this->InternalAddRef(); }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const ULONG count = this->InternalRelease();
    if (count == 0) {
      // Keeps the library counted as in use until the members are torn down.
      LockServerModule();
      delete this;
      UnlockServerModule();
    }
    return count;
  }
};
