// Percent-escaping of the query values of the document URL, and unescaping
// of the stored custom command. Both work on the UTF-8 bytes of the text;
// escaping leaves "%" alone and writes a space as %20, unescaping leaves "+".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "viewer/viewer_platform.h"

// The escaped form of value (up to its first NUL): unreserved bytes and "%"
// as they are, every other byte as "%" and two lower-case hex digits. Empty
// when the value is empty, when the escaped form would exceed 1023
// characters, or when memory runs out.
std::u16string EscapeUrlValue(ViewerPlatform& platform, std::u16string_view value) noexcept;

// Unescapes text (up to its first NUL) into out, which holds capacity
// characters including the terminator; each escape stands for one byte of the
// thread's ANSI code page. On success out holds the text and length (when not
// null) the number of result bytes plus one. On failure out is untouched and
// length holds the characters the result needs including the terminator; for
// a malformed escape (a "%" without two hex digits after it, or %00) the
// characters before it plus one. False also for a null text or out, an empty
// text, or memory that runs out.
bool UnescapeUrlText(ViewerPlatform& platform, const char16_t* text, char16_t* out,
                     std::uint32_t* length, std::uint32_t capacity) noexcept;

// The stored command (up to its first NUL) with its escapes removed, or,
// after the trace line "UnescapeUrl: failed for Url: ...", unchanged. A
// character outside ASCII written as it is stands for itself. May throw
// std::bad_alloc.
std::u16string UnescapeUrl(ViewerPlatform& platform, const std::u16string& stored);
