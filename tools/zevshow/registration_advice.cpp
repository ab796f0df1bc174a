#include "tools/zevshow/registration_advice.h"

#include <windows.h>

#include "tools/zevshow/module_path.h"
#include "tools/zevshow/server_identity.h"

namespace {

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

std::wstring ProgramFolder() {
  const std::wstring path = ModulePath(nullptr);
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

}  // namespace

RegistrationAdvice AdviceFor(const std::wstring& registeredPath) {
  using namespace server_identity;
  const bool ownDll = !registeredPath.empty() &&
                      CompareStringOrdinal(FileName(registeredPath).c_str(), -1, kDllName, -1, TRUE) == CSTR_EQUAL;
  const std::wstring dll = ownDll ? registeredPath : ProgramFolder() + kDllName;
  // On 64-bit Windows the 32-bit regsvr32, which registers for 32-bit
  // programs, is the one in SysWOW64.
  const bool wow64 = kBits == 32 && OnSixtyFourBitWindows();
  RegistrationAdvice advice;
  advice.regsvr32 =
      std::wstring(wow64 ? L"%windir%\\SysWOW64" : L"%windir%\\System32") + L"\\regsvr32 \"" + dll + L"\"";
  advice.msiexec = std::wstring(L"msiexec /i ") + (OnSixtyFourBitWindows() ? kPackage64 : kPackage32);
  return advice;
}
