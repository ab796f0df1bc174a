#include "viewer/win/viewer_creation.h"

#include <memory>

#include "base/hresult.h"
#include "comframe/com_agg_object.h"
#include "comframe/com_object.h"
#include "viewer/win/dorvex_zevevover.h"

namespace {

// Allocates and constructs; any failure of either counts as memory running out.
template <typename Object, typename... Arguments>
HRESULT Construct(std::unique_ptr<Object>& object, Arguments... arguments) {
  try {
    object.reset(new Object(arguments...));
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace

HRESULT CreateViewerInstance(IUnknown* outer, REFIID iid, void** out) {
  return outer == nullptr ? CreatePlainViewer(iid, out) : CreateAggregatedViewer(outer, iid, out);
}

HRESULT CreatePlainViewer(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  std::unique_ptr<CComObject<CDorvex_ZevEvover>> viewer;
  RETURN_IF_FAILED(Construct(viewer));

  // Counted while the lock is set up, but not released to zero: that would
  // destroy the object.
  viewer->InternalAddRef();
  const HRESULT locked = viewer->InitializeObjectLock();
  viewer->InternalRelease();
  RETURN_IF_FAILED(locked);
  RETURN_IF_FAILED(viewer->QueryInterface(iid, out));
  viewer.release();
  return S_OK;
}

HRESULT CreateAggregatedViewer(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  std::unique_ptr<CComAggObject<CDorvex_ZevEvover>> aggregate;
  RETURN_IF_FAILED(Construct(aggregate, outer));
  RETURN_IF_FAILED(aggregate->InitializeObjectLock());
  RETURN_IF_FAILED(aggregate->QueryInterface(iid, out));
  aggregate.release();
  return S_OK;
}
