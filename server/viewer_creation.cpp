#include "server/viewer_creation.h"

#include <memory>

#include "server/com_agg_object.h"
#include "server/com_object.h"
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
  HRESULT result = Construct(viewer);
  if (FAILED(result)) return result;

  // Counted while the lock is set up, but not released to zero: that would
  // destroy the object.
  viewer->InternalAddRef();
  result = viewer->InitializeObjectLock();
  viewer->InternalRelease();
  if (SUCCEEDED(result)) result = viewer->QueryInterface(iid, out);
  if (FAILED(result)) return result;
  viewer.release();
  return S_OK;
}

HRESULT CreateAggregatedViewer(IUnknown* outer, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  std::unique_ptr<CComAggObject<CDorvex_ZevEvover>> aggregate;
  HRESULT result = Construct(aggregate, outer);
  if (FAILED(result)) return result;

  result = aggregate->InitializeObjectLock();
  if (SUCCEEDED(result)) result = aggregate->QueryInterface(iid, out);
  if (FAILED(result)) return result;
  aggregate.release();
  return S_OK;
}
