// Making viewer objects for the class object: plain, or as the inner part of
// an aggregate. Each holds one module lock for its life.
#pragma once

#include <windows.h>
#include <unknwn.h>

// The class table's instance creator for the viewer: plain when outer is null.
HRESULT CreateViewerInstance(IUnknown* outer, REFIID iid, void** out);

HRESULT CreatePlainViewer(REFIID iid, void** out);
// Hands out the aggregate's own IUnknown (the class object admits no other
// interface with an outer object).
HRESULT CreateAggregatedViewer(IUnknown* outer, REFIID iid, void** out);
