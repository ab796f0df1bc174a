// Owns one module handle from LoadLibrary(Ex)W; frees it with FreeLibrary.
#pragma once

#include <windows.h>

#include "base/win/unique_resource.h"

using UniqueModule = UniqueResource<CloseWith<HMODULE, &FreeLibrary>>;
