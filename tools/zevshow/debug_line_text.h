// The text of one debug-output line as zevshow prints it.
#pragma once

#include <string>
#include <string_view>

// The line converted from the ANSI code page, in which writers hand it over,
// without its line end; a line cut at the buffer's size ends in " [cut]".
// Throws std::bad_alloc.
std::wstring DebugLineText(std::string_view ansiText, bool cut);
