// Starts a program, waits for it, and gives its exit code.
#pragma once

#include <string>

// Exit code of the program, or -1 when it could not be started or did not end
// within timeoutMs (it is then terminated).
long RunProcess(const std::wstring& commandLine, unsigned long timeoutMs = 60000);

// The system folder's program (regsvr32, cscript, reg) as a quoted path.
std::wstring SystemProgram(const wchar_t* name);
