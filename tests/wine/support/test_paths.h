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

// The 32-bit tree's output folder, with a trailing backslash, as the 64-bit
// tree's tests are told it (ZEVEVOV_X32_BIN); empty when not told.
std::wstring X32BuildDirectory();

// Whether this test run may start 32-bit Windows programs (ZEVEVOV_RUNS_32BIT,
// set by ctest on the runs labelled x32): the machine may refuse Wine's 32-bit
// loader.
bool Runs32BitPrograms();

}  // namespace testing_paths
