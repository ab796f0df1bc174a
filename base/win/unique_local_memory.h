// Owns one block from LocalAlloc (as FormatMessageW and CommandLineToArgvW
// allocate theirs); frees it with LocalFree.
#pragma once

#include <windows.h>

#include "base/win/unique_resource.h"

template <typename T>
using UniqueLocalMemory = UniqueResource<CloseWith<T*, &LocalFree>>;
