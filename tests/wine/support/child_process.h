// A test program can run parts of itself as a child process, for example as a
// debuggee whose debug output the parent collects:
//
//   CHILD_SCENARIO(emit_lines) { OutputDebugStringW(L"x"); return 0; }
//   RunCapturingDebugOutput(ChildCommandLine(L"emit_lines"), 10000);
//
// The program's main runs the scenario named after "--child" instead of the tests.
#pragma once

#include <string>

using ChildScenario = int (*)();

struct ChildScenarioRegistration {
  ChildScenarioRegistration(const wchar_t* name, ChildScenario scenario);
};

#define CHILD_SCENARIO(name)                                                        \
  static int ChildScenario_##name();                                                \
  static ChildScenarioRegistration childScenarioRegistration_##name(L## #name,      \
                                                                    &ChildScenario_##name); \
  static int ChildScenario_##name()

// Command line that starts this same program with the named scenario, and
// one argument for it when given.
std::wstring ChildCommandLine(const wchar_t* name, const std::wstring& argument = L"");

// The argument the running scenario was started with ("--child NAME
// ARGUMENT"), or empty.
std::wstring ChildScenarioArgument();

// Runs the scenario named by "--child NAME" in the arguments; returns false when
// the arguments name none, so that main goes on with the tests.
bool RunChildScenarioFromArguments(int* exitCode);
