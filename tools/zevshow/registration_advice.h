// The commands that register the server for programs of this bitness, as an
// administrator types them at an elevated prompt.
#pragma once

#include <string>

struct RegistrationAdvice {
  // %windir%\SysWOW64\regsvr32 "C:\...\Veltara.Desk.ZevEvov.x32.dll"
  std::wstring regsvr32;
  // msiexec /i Veltara.Desk.ZevEvov.x64.msi
  std::wstring msiexec;
};

// registeredPath: the InprocServer32 path of this view, if any. The command
// names that file when it is this bitness's DLL, else the DLL of this
// bitness beside zevshow.exe.
RegistrationAdvice AdviceFor(const std::wstring& registeredPath);
