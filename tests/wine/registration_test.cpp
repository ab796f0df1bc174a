// Registration as administrators do it: regsvr32 in the private prefix,
// machine-wide and per user, read back from the registry; and the exports
// called in process for what regsvr32 cannot show.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <string>

#include "VeltaraDeskZevEvov.h"
#include "child_process.h"
#include "debug_capture.h"
#include "process_runner.h"
#include "registry_probe.h"
#include "test_paths.h"

namespace {

const std::wstring kClsidKey = L"CLSID\\{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}";
const std::wstring kAppIdKey = L"AppID\\{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}";
const std::wstring kAppIdText = L"{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}";
const std::wstring kTypeLibKey = L"TypeLib\\{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}";
const std::wstring kProgId = L"DorvexZevEvov.Dorvex_ZevEvover";
const std::wstring kProgId1 = L"DorvexZevEvov.Dorvex_ZevEvover.1";
const std::wstring kUserClasses = L"Software\\Classes\\";

long Regsvr32(const std::wstring& options, const std::wstring& dll) {
  return RunProcess(SystemProgram(L"regsvr32.exe") + L" " + options + L" \"" + dll + L"\"");
}

std::string FileBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char chunk[65536];
  DWORD read = 0;
  while (ReadFile(file, chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
  CloseHandle(file);
  return bytes;
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

// The classes as a registry export, to compare the whole before and after.
std::string ExportClasses(const wchar_t* name) {
  const std::wstring file = TempFile(name);
  DeleteFileW(file.c_str());
  EXPECT_EQ(0, RunProcess(SystemProgram(L"reg.exe") + L" export HKLM\\Software\\Classes \"" + file + L"\" /y"));
  std::string bytes = FileBytes(file);
  DeleteFileW(file.c_str());
  return bytes;
}

// The exports of a loaded DLL, for the cases regsvr32 cannot show.
struct Exports {
  HMODULE module = nullptr;
  HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* install)(BOOL, LPCWSTR) = nullptr;

  Exports() {
    module = LoadLibraryW(testing_paths::DllPath().c_str());
    if (module == nullptr) return;
    registerServer = reinterpret_cast<decltype(registerServer)>(GetProcAddress(module, "DllRegisterServer"));
    unregisterServer = reinterpret_cast<decltype(unregisterServer)>(GetProcAddress(module, "DllUnregisterServer"));
    install = reinterpret_cast<decltype(install)>(GetProcAddress(module, "DllInstall"));
  }
  ~Exports() {
    if (module) FreeLibrary(module);
  }
  bool ok() const { return registerServer && unregisterServer && install; }
};

bool MachineWideRegistered() { return KeyExists(HKEY_CLASSES_ROOT, kClsidKey); }
bool PerUserRegistered() { return KeyExists(HKEY_CURRENT_USER, kUserClasses + kClsidKey); }

class RegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    dll_ = testing_paths::DllPath();
    Regsvr32(L"/u /s", dll_);
    ASSERT_FALSE(MachineWideRegistered()) << "the prefix starts without the class";
  }
  void TearDown() override { Regsvr32(L"/u /s", dll_); }
  std::wstring dll_;
};

TEST_F(RegistrationTest, Regsvr32WritesBothScriptsAndTheTypeLibrary) {
  ASSERT_EQ(0, Regsvr32(L"/s", dll_));

  struct Expected {
    std::wstring key;
    const wchar_t* name;
    std::wstring text;
  } expected[] = {
      {kAppIdKey, nullptr, L"DorvexZevEvov"},
      {L"AppID\\Vexdor.ZevEvov.DLL", L"AppID", kAppIdText},
      {kProgId1, nullptr, L"Dorvex_ZevEvover Class"},
      {kProgId1 + L"\\CLSID", nullptr, L"{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}"},
      {kProgId, nullptr, L"Dorvex_ZevEvover Class"},
      {kProgId + L"\\CLSID", nullptr, L"{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}"},
      {kProgId + L"\\CurVer", nullptr, kProgId1},
      {kClsidKey, nullptr, L"Dorvex_ZevEvover Class"},
      {kClsidKey, L"AppID", kAppIdText},
      {kClsidKey + L"\\ProgID", nullptr, kProgId1},
      {kClsidKey + L"\\VersionIndependentProgID", nullptr, kProgId},
      {kClsidKey + L"\\InprocServer32", nullptr, dll_},
      {kClsidKey + L"\\InprocServer32", L"ThreadingModel", L"Free"},
      {kClsidKey + L"\\TypeLib", nullptr, L"{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}"},
      {kTypeLibKey + L"\\1.0", nullptr, L"DorvexZevEvov 1.0 Type Library"},
      {kTypeLibKey + L"\\1.0\\409\\win32", nullptr, dll_},
      // The neutral-locale entry the type-library marshaler looks for.
      {kTypeLibKey + L"\\1.0\\0\\win32", nullptr, dll_},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(testing::PrintToString(e.key) + " " + testing::PrintToString(std::wstring(e.name ? e.name : L"")));
    std::optional<RegistryValue> value = ReadValue(HKEY_CLASSES_ROOT, e.key, e.name);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
    EXPECT_EQ(StringBytes(e.text), value->bytes);
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey + L"\\Programmable"));
  EXPECT_FALSE(PerUserRegistered());
}

TEST_F(RegistrationTest, Regsvr32UnregisterLeavesTheRegistryAsBefore) {
  const std::string before = ExportClasses(L"zevevov-before.reg");
  ASSERT_FALSE(before.empty());
  ASSERT_EQ(0, Regsvr32(L"/s", dll_));
  ASSERT_TRUE(MachineWideRegistered());
  ASSERT_EQ(0, Regsvr32(L"/u /s", dll_));

  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kProgId));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kProgId1));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\Vexdor.ZevEvov.DLL"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey)) << "the type library is unregistered";
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID")) << "NoRemove";
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID")) << "NoRemove";
  EXPECT_TRUE(ExportClasses(L"zevevov-after.reg") == before) << "HKLM\\Software\\Classes differs after unregistration";
}

TEST_F(RegistrationTest, Regsvr32PerUser) {
  ASSERT_EQ(0, Regsvr32(L"/s /n /i:user", dll_));
  EXPECT_EQ(dll_, ReadString(HKEY_CURRENT_USER, kUserClasses + kClsidKey + L"\\InprocServer32", nullptr).value_or(L""));
  EXPECT_EQ(kProgId1, ReadString(HKEY_CURRENT_USER, kUserClasses + kProgId + L"\\CurVer", nullptr).value_or(L""));
  EXPECT_EQ(L"DorvexZevEvov",
            ReadString(HKEY_CURRENT_USER, kUserClasses + kAppIdKey, nullptr).value_or(L""));
  EXPECT_FALSE(MachineWideRegistered()) << "nothing below HKLM\\Software\\Classes";
  // Wine's HKEY_CLASSES_ROOT does not merge HKEY_CURRENT_USER\Software\Classes,
  // so a per-user class cannot be activated here; Windows would activate it.

  ASSERT_EQ(0, Regsvr32(L"/u /s /n /i:user", dll_));
  EXPECT_FALSE(PerUserRegistered());
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserClasses + kProgId));
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserClasses + kAppIdKey));
}

// Per-user registration is a process-wide switch, so these run in children.
CHILD_SCENARIO(per_user_sticks_for_the_process) {
  Exports dll;
  if (!dll.ok()) return 10;
  // Removing first also turns the switch on, whatever the result.
  dll.install(FALSE, L"uSeR");
  if (FAILED(dll.registerServer())) return 11;
  const bool perUser = PerUserRegistered() && !MachineWideRegistered();
  if (FAILED(dll.unregisterServer())) return 12;
  if (!perUser) return 13;
  return PerUserRegistered() ? 14 : 0;
}

CHILD_SCENARIO(only_the_word_user_switches) {
  Exports dll;
  if (!dll.ok()) return 10;
  for (const wchar_t* commandLine : {L"users", L"", static_cast<const wchar_t*>(nullptr)}) {
    if (FAILED(dll.install(TRUE, commandLine))) return 11;
    const bool machineWide = MachineWideRegistered() && !PerUserRegistered();
    if (FAILED(dll.install(FALSE, commandLine))) return 12;
    if (!machineWide) return 13;
  }
  return MachineWideRegistered() ? 14 : 0;
}

TEST_F(RegistrationTest, DllInstallUserSwitchesTheWholeProcess) {
  EXPECT_EQ(0, RunProcess(ChildCommandLine(L"per_user_sticks_for_the_process")));
  EXPECT_EQ(0, RunProcess(ChildCommandLine(L"only_the_word_user_switches")));
}

TEST_F(RegistrationTest, ApostropheInThePath) {
  const std::wstring folder = L"C:\\it's here";
  const std::wstring copy = folder + L"\\Veltara.Desk.ZevEvov.x32.dll";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(dll_.c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(0, Regsvr32(L"/s", copy));
  EXPECT_EQ(copy, ReadString(HKEY_CLASSES_ROOT, kClsidKey + L"\\InprocServer32", nullptr).value_or(L"<missing>"));
  EXPECT_EQ(0, Regsvr32(L"/u /s", copy));
  EXPECT_FALSE(MachineWideRegistered());
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST_F(RegistrationTest, FailedTypeLibraryUnregistrationKeepsTheAppId) {
  Exports dll;
  ASSERT_TRUE(dll.ok());
  ASSERT_EQ(S_OK, dll.registerServer());
  ASSERT_EQ(S_OK, UnRegisterTypeLib(LIBID_VeltaraDeskZevEvovLib, 1, 0, 0x409, SYS_WIN32));

  const HRESULT result = dll.unregisterServer();
  EXPECT_TRUE(FAILED(result)) << std::hex << result;
  EXPECT_FALSE(MachineWideRegistered()) << "the class script ran before the type library step";
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey)) << "the application id script did not run";

  ASSERT_EQ(S_OK, dll.registerServer());
  ASSERT_EQ(S_OK, dll.unregisterServer());
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
}

TEST_F(RegistrationTest, ThreadLocaleIsRestored) {
  Exports dll;
  ASSERT_TRUE(dll.ok());
  const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
  const LCID original = GetThreadLocale();
  ASSERT_TRUE(SetThreadLocale(german));

  struct Step {
    const char* name;
    bool succeeds;
    HRESULT (*call)(const Exports&);
  } steps[] = {
      {"register", true, [](const Exports& d) { return d.registerServer(); }},
      {"unregister", true, [](const Exports& d) { return d.unregisterServer(); }},
      {"unregister again", false, [](const Exports& d) { return d.unregisterServer(); }},
      {"install", true, [](const Exports& d) { return d.install(TRUE, L"machine"); }},
      {"uninstall", true, [](const Exports& d) { return d.install(FALSE, nullptr); }},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    const HRESULT result = step.call(dll);
    EXPECT_EQ(step.succeeds, SUCCEEDED(result)) << std::hex << result;
    EXPECT_EQ(german, GetThreadLocale());
  }
  SetThreadLocale(original);
}

}  // namespace
