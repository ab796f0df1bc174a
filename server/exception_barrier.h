// The one exception barrier of a COM entry point: whatever the work throws
// ends here as an HRESULT, so nothing unwinds into the caller's frames.
#pragma once

#include <windows.h>

#include <new>

template <typename Work>
HRESULT ExceptionBarrier(Work&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
