// Owns one WinHTTP handle (session, connection or request); closes it with
// WinHttpCloseHandle. Close a request before its connection and that before
// its session: declare them in that order and they go in reverse.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include "base/win/unique_resource.h"

using UniqueInternetHandle = UniqueResource<CloseWith<HINTERNET, &WinHttpCloseHandle>>;
