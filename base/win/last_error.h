// The calling thread's last error as an HRESULT.
#pragma once

#include <windows.h>

// HRESULT_FROM_WIN32(GetLastError()). A failed call that left no error code
// still reports a failure (E_FAIL), never S_OK.
inline HRESULT LastErrorResult() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}
