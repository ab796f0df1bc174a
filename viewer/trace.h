// Diagnostic trace lines on the debug output, and the text for a system error
// code that a failed launch reports.
#pragma once

#include <cstdint>
#include <string>

#include "base/hresult.h"
#include "viewer/text_format.h"
#include "viewer/viewer_platform.h"

// Writes one debug-output line: the thread prefix, then the message formatted
// from format (which carries its own line end). Takes no heap memory and never
// fails; a line longer than its buffer is cut at the end of the buffer.
void Trace(ViewerPlatform& platform, const char16_t* format, FormatArgs args = {});

// "SystemError: <code> <system text>", the code in decimal, or in hex as 0x...
// when its top bit is set; "<not found>" stands in for a missing system text.
// Line breaks become blanks. kOutOfMemory when the text cannot be allocated.
HResult SystemErrorText(ViewerPlatform& platform, std::uint32_t code, std::u16string& text);
