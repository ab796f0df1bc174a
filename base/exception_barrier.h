// The one exception barrier of a COM entry point: whatever the work throws
// ends here as a result code, so nothing unwinds into the caller's frames. A
// failed allocation is E_OUTOFMEMORY, anything else E_UNEXPECTED. Portable, so
// that the native tests drive the viewer core through the same barrier as its
// COM members do.
#pragma once

#include <new>

#include "base/hresult.h"

template <typename Work>
HResult ExceptionBarrier(Work&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  } catch (...) {
    return hr::kUnexpected;
  }
}
