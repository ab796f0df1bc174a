// An HRESULT as support staff quote it: "0x80040154 Class not registered".
#pragma once

#include <windows.h>

#include <string>

// The code in eight hex digits and the system's text for it, without its line
// end; the code alone when the system has no text.
std::wstring ResultText(HRESULT result);
