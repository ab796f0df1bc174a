// Owns one kernel handle; closes it with CloseHandle.
#pragma once

#include <windows.h>

#include "base/win/unique_resource.h"

struct HandleCloser : CloseWith<HANDLE, &CloseHandle> {
  // Some calls give null for no handle, others INVALID_HANDLE_VALUE.
  static bool IsHeld(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
};

using UniqueHandle = UniqueResource<HandleCloser>;
