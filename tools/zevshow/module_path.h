// The full path of a module loaded in this process.
#pragma once

#include <windows.h>

#include <string>

// module null: this program's own file. Empty when the path cannot be read.
std::wstring ModulePath(HMODULE module);
