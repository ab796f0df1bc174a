// Tells the viewer's trace lines from the rest of a session's debug output.
#pragma once

#include <string_view>

// The viewer starts each line with ": (TID=<thread>): Vexdor.ZevEvov : ".
inline bool IsViewerTraceLine(std::string_view text) {
  constexpr std::string_view kStart = ": (TID=";
  constexpr std::string_view kSource = "): Vexdor.ZevEvov : ";
  return text.substr(0, kStart.size()) == kStart && text.find(kSource, kStart.size()) != std::string_view::npos;
}
