// Class T as the inner part of an aggregate: a full object whose IUnknown, on
// every face, is the outer object's. Its own count is not used; the aggregate
// that holds it keeps the count of the inner part.
#pragma once

#include <windows.h>
#include <unknwn.h>

template <typename T>
class CComContainedObject final : public T {
 public:
  // Does not take a reference on outer: the outer object owns the aggregate.
  explicit CComContainedObject(IUnknown* outer) : outer_(outer) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override {
    return outer_->QueryInterface(iid, out);
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return outer_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() noexcept override { return outer_->Release(); }

 private:
  IUnknown* outer_;
};
