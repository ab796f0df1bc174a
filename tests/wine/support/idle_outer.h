// An outer object that only has to exist: CreateInstance refuses it, or records
// it in the aggregate it makes, before it would ever be called.
#pragma once

#include <windows.h>
#include <unknwn.h>

class IdleOuter final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};
