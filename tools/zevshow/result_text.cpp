#include "tools/zevshow/result_text.h"

#include <cwchar>

namespace {

// "0x" and eight digits, and the terminator.
constexpr size_t kCodeCapacity = 11;
// System texts are a sentence or two; a longer one is cut by FormatMessageW.
constexpr DWORD kMessageCapacity = 512;

}  // namespace

std::wstring ResultText(HRESULT result) {
  wchar_t code[kCodeCapacity];
  std::swprintf(code, kCodeCapacity, L"0x%08lx", static_cast<unsigned long>(result));
  wchar_t message[kMessageCapacity];
  DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(result), 0, message, kMessageCapacity, nullptr);
  while (length > 0 && (message[length - 1] == L'\r' || message[length - 1] == L'\n' || message[length - 1] == L' ')) {
    --length;
  }
  std::wstring text = code;
  if (length > 0) text.append(L" ").append(message, length);
  return text;
}
