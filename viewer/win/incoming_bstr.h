// A caller's BSTR as the viewer core reads it, without copying: null stays
// null, and the length is the BSTR's own, embedded NULs counted.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "base/win/wide_text.h"
#include "viewer/bstr_view.h"

inline BstrView IncomingBstr(BSTR value) { return BstrView{AsUtf16(value), SysStringLen(value)}; }
