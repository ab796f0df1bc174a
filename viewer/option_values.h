// The text forms of the viewer's launch options: boolean words, window show
// command names and numbers, and the focus wait.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/hresult.h"

// True for "true", "yes" and "1" in any ASCII letter case; no trimming.
bool ParseBoolText(std::u16string_view text);

// "true" or "false".
const char16_t* BoolText(bool value);

// Reads a decimal integer the way the C library's wcstol does with base 10:
// leading white space, an optional sign, digits up to the first non-digit.
// No digits gives 0; a number outside the 32-bit range gives its nearest end.
std::int32_t ParseDecimal(std::u16string_view text);

// A show command name ("SW_HIDE" ... "SW_MAX", any ASCII letter case, whole
// text) or else a number as ParseDecimal reads it, not checked for validity.
std::int32_t ParseShowFlag(std::u16string_view text);

// The name of a show command value, or the value in decimal for values
// without a name. kOutOfMemory when the text cannot be allocated.
HResult ShowFlagName(std::int32_t value, std::u16string& name);

// The wait before the foreground is given back, from the whole incoming
// string (embedded NULs included): empty means two seconds, anything else is
// read as ParseDecimal reads the text before its first NUL.
std::int32_t ParseFocusWait(std::u16string_view whole);
