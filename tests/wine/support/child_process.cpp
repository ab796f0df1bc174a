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

std::wstring ChildCommandLine(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return L"\"" + std::wstring(path) + L"\" --child " + name;
}

bool RunChildScenarioFromArguments(int* exitCode) {
  int argc = 0;
  const UniqueLocalMemory<wchar_t*> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  if (!argv || argc < 3 || std::wstring(argv.get()[1]) != L"--child") return false;
  auto found = Scenarios().find(argv.get()[2]);
  *exitCode = found == Scenarios().end() ? 99 : found->second();
  return true;
}
