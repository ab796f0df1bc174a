#include "child_process.h"

#include <windows.h>
#include <shellapi.h>

#include <map>

#include "base/win/unique_local_memory.h"

namespace {

std::map<std::wstring, ChildScenario>& Scenarios() {
  static std::map<std::wstring, ChildScenario> scenarios;
  return scenarios;
}

}  // namespace

ChildScenarioRegistration::ChildScenarioRegistration(const wchar_t* name, ChildScenario scenario) {
  Scenarios()[name] = scenario;
}

std::wstring ChildCommandLine(const wchar_t* name, const std::wstring& argument) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(path) + L"\" --child " + name;
  if (!argument.empty()) commandLine += L" \"" + argument + L"\"";
  return commandLine;
}

std::wstring ChildScenarioArgument() {
  int argc = 0;
  const UniqueLocalMemory<wchar_t*> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc < 4) return L"";
  return argv.get()[3];
}

bool RunChildScenarioFromArguments(int* exitCode) {
  int argc = 0;
  const UniqueLocalMemory<wchar_t*> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc < 3 || std::wstring(argv.get()[1]) != L"--child") return false;
  auto found = Scenarios().find(argv.get()[2]);
  *exitCode = found == Scenarios().end() ? 99 : found->second();
  return true;
}
