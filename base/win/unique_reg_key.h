// Owns one opened or created registry key; closes it with RegCloseKey. Never
// give it a predefined root such as HKEY_CLASSES_ROOT.
#pragma once

#include <windows.h>

#include "base/win/unique_resource.h"

using UniqueRegKey = UniqueResource<CloseWith<HKEY, &RegCloseKey>>;
