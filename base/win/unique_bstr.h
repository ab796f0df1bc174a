// Owns one BSTR; frees it with SysFreeString.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "base/win/unique_resource.h"

using UniqueBstr = UniqueResource<CloseWith<BSTR, &SysFreeString>>;
