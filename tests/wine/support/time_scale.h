// Waits in the Wine tests stretch by ZEVEVOV_TIME_SCALE where every process
// start is slower (the x86 guest sets 4): a wait for something that must come,
// and just as much a window in which something must not come.
#pragma once

#include <windows.h>

namespace time_scale {

// The factor, 1 where ZEVEVOV_TIME_SCALE is unset or not a whole number from 1 to 100.
DWORD Factor();

DWORD Scaled(DWORD milliseconds);

}  // namespace time_scale
