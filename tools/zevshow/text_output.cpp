#include "tools/zevshow/text_output.h"

#include <algorithm>

namespace {

// UTF-16 units converted per step; a unit takes at most 3 UTF-8 bytes (a
// surrogate pair, two units, takes 4).
constexpr size_t kChunkUnits = 1024;
constexpr int kChunkBytes = 3 * kChunkUnits;

bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

void WriteAll(HANDLE handle, const char* bytes, DWORD size) {
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes, size, &written, nullptr) || written == 0) return;
    bytes += written;
    size -= written;
  }
}

}  // namespace

TextOutput::TextOutput(DWORD standardHandle) : handle_(GetStdHandle(standardHandle)) {
  DWORD mode = 0;
  console_ = handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE && GetConsoleMode(handle_, &mode);
}

void TextOutput::Write(std::wstring_view text) {
  if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return;
  if (!console_) {
    WriteUtf8(text);
    return;
  }
  while (!text.empty()) {
    const DWORD units = static_cast<DWORD>(std::min(text.size(), kChunkUnits));
    DWORD written = 0;
    if (!WriteConsoleW(handle_, text.data(), units, &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

void TextOutput::WriteLine(std::wstring_view text) {
  Write(text);
  Write(L"\r\n");
}

void TextOutput::WriteUtf8(std::wstring_view text) {
  char bytes[kChunkBytes];
  while (!text.empty()) {
    size_t units = std::min(text.size(), kChunkUnits);
    // A pair split between two steps would turn into two replacement characters.
    if (units < text.size() && IsHighSurrogate(text[units - 1])) --units;
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(units), bytes, kChunkBytes,
                                         nullptr, nullptr);
    if (size <= 0) return;
    WriteAll(handle_, bytes, static_cast<DWORD>(size));
    text.remove_prefix(units);
  }
}
