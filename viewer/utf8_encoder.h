// UTF-16 to UTF-8, the way the platform's conversion does it without error
// flags: a surrogate without its partner encodes as U+FFFD.
#pragma once

#include <cstddef>
#include <string_view>

// Number of UTF-8 bytes that text encodes to.
std::size_t Utf8Length(std::u16string_view text);

// Writes the UTF-8 form of text into out, which has room for Utf8Length(text)
// bytes. No terminator is written.
void EncodeUtf8(std::u16string_view text, char* out);
