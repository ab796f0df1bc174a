// Owns the environment block that GetEnvironmentStringsW hands out; frees it
// with FreeEnvironmentStringsW.
#pragma once

#include <windows.h>

#include "base/win/unique_resource.h"

using UniqueEnvironmentBlock = UniqueResource<CloseWith<wchar_t*, &FreeEnvironmentStringsW>>;
