#include "tools/zevshow/debug_line_text.h"

#include <windows.h>

std::wstring DebugLineText(std::string_view ansiText, bool cut) {
  const int length = static_cast<int>(ansiText.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, ansiText.data(), length, nullptr, 0);
  std::wstring line(units, L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansiText.data(), length, line.data(), units);
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  if (cut) line += L" [cut]";
  return line;
}
