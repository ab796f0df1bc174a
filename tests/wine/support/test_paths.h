// Where the test programs find what the build made: the DLL and the tools sit
// in the same folder as the running test program.
#pragma once

#include <string>

namespace testing_paths {

// Folder of the running program, with a trailing backslash.
std::wstring ProgramDirectory();

// Full Windows path of the built DLL of the program's own bitness.
std::wstring DllPath();

// Full Windows path of a program built from tools/ (name without ".exe").
std::wstring ToolPath(const wchar_t* name);

}  // namespace testing_paths
