// Registration as administrators do it: regsvr32 in the private prefix,
// machine-wide and per user, read back from the registry; and the exports
// called in process for what regsvr32 cannot show.
#include <windows.h>
#include <oleauto.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "VeltaraDeskZevEvov.h"
#include "base/win/com_ref.h"
#include "base/win/unique_reg_key.h"
#include "base/win/unique_handle.h"
#include "base/win/unique_module.h"
#include "child_process.h"
#include "process_runner.h"
#include "registry_export.h"
#include "registry_probe.h"
#include "resource_ids.h"
#include "test_bitness.h"
#include "test_paths.h"
#include "tests/support/hresult_check.h"
#include "tools/trace_capture/debug_capture.h"

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

// The exports of a loaded DLL, for the cases regsvr32 cannot show.
struct Exports {
  UniqueModule module;
  HRESULT(STDAPICALLTYPE* registerServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* unregisterServer)() = nullptr;
  HRESULT(STDAPICALLTYPE* install)(BOOL, LPCWSTR) = nullptr;

  explicit Exports(const std::wstring& path = testing_paths::DllPath()) : module(LoadLibraryW(path.c_str())) {
    if (!module) return;
    registerServer =
        reinterpret_cast<decltype(registerServer)>(reinterpret_cast<void*>(GetProcAddress(module.get(), "DllRegisterServer")));
    unregisterServer =
        reinterpret_cast<decltype(unregisterServer)>(reinterpret_cast<void*>(GetProcAddress(module.get(), "DllUnregisterServer")));
    install = reinterpret_cast<decltype(install)>(reinterpret_cast<void*>(GetProcAddress(module.get(), "DllInstall")));
  }
  bool ok() const { return registerServer && unregisterServer && install; }
};

bool MachineWideRegistered() { return KeyExists(HKEY_CLASSES_ROOT, kClsidKey); }
bool PerUserRegistered() { return KeyExists(HKEY_CURRENT_USER, kUserClasses + kClsidKey); }

// The built DLL's type library resource written out as a file of its own.
bool WriteTypeLibraryFile(const std::wstring& path) {
  const UniqueModule original(LoadLibraryExW(testing_paths::DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  if (!original) return false;
  HRSRC resource = FindResourceW(original.get(), MAKEINTRESOURCEW(TYPELIB_RESOURCE_ID), L"TYPELIB");
  if (resource == nullptr) return false;
  const void* bytes = LockResource(LoadResource(original.get(), resource));
  const DWORD size = SizeofResource(original.get(), resource);
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD done = 0;
  return file && bytes != nullptr && WriteFile(file.get(), bytes, size, &done, nullptr) && done == size;
}

// A copy of the built DLL whose only resources are its two registration
// scripts: without its own type library, registration has to look for a
// companion file.
bool CopyWithoutTypeLibrary(const std::wstring& path) {
  if (!CopyFileW(testing_paths::DllPath().c_str(), path.c_str(), FALSE)) return false;
  const UniqueModule original(LoadLibraryExW(testing_paths::DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE);
  bool copied = original && update != nullptr;
  const struct {
    WORD id;
    WORD language;
  } scripts[] = {{IDR_APPID_SCRIPT, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)},
                 {IDR_CLASS_SCRIPT, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_UK)}};
  for (const auto& script : scripts) {
    if (!copied) break;
    HRSRC resource = FindResourceExW(original.get(), L"REGISTRY", MAKEINTRESOURCEW(script.id), script.language);
    copied = resource != nullptr && UpdateResourceW(update, L"REGISTRY", MAKEINTRESOURCEW(script.id), script.language,
                                                    LockResource(LoadResource(original.get(), resource)),
                                                    SizeofResource(original.get(), resource));
  }
  if (update != nullptr) copied = EndUpdateResourceW(update, !copied) && copied;
  return copied;
}

// A folder below C:\ whose name is padded so that folder + "\\" + file has
// exactly `length` characters.
std::wstring FolderForPathLength(const wchar_t* base, const std::wstring& file, size_t length) {
  const std::wstring root = std::wstring(L"C:\\") + base;
  return root + L"\\" + std::wstring(length - root.size() - 2 - file.size(), L'p');
}

void RemoveCopy(const std::wstring& folder, const std::vector<std::wstring>& files) {
  for (const std::wstring& file : files) DeleteFileW((folder + L"\\" + file).c_str());
  RemoveDirectoryW(folder.c_str());
  RemoveDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str());
}

// A type library file with the server's library id, version and locale but
// no types, naming helpFile as its help file.
HRESULT WriteTypeLibraryWithHelpFile(const std::wstring& path, const wchar_t* helpFile) {
  ComRef<ICreateTypeLib2> created;
  HRESULT result = CreateTypeLib2(test_bitness::kSysKind, path.c_str(), created.put());
  if (SUCCEEDED(result)) result = created->SetGuid(LIBID_VeltaraDeskZevEvovLib);
  if (SUCCEEDED(result)) result = created->SetVersion(1, 0);
  if (SUCCEEDED(result)) result = created->SetLcid(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT));
  if (SUCCEEDED(result)) result = created->SetName(const_cast<LPOLESTR>(L"VeltaraDeskZevEvovLib"));
  if (SUCCEEDED(result)) result = created->SetHelpFileName(const_cast<LPOLESTR>(helpFile));
  if (SUCCEEDED(result)) result = created->SaveAllChanges();
  return result;
}

std::optional<std::wstring> RegisteredTypeLibraryPath() {
  return ReadString(HKEY_CLASSES_ROOT, kTypeLibKey + L"\\1.0\\409\\" + test_bitness::kPlatformKey, nullptr);
}

class RegistrationTest : public testing::Test {
 protected:
  void SetUp() override {
    dll_ = testing_paths::DllPath();
    Regsvr32(L"/u /s", dll_);
    ASSERT_FALSE(MachineWideRegistered()) << "the prefix starts without the class";
  }
  void TearDown() override { Regsvr32(L"/u /s", dll_); }
  // After a failed registration or unregistration: one whole cycle of the
  // built DLL takes away whatever the failed one left.
  void RemovePartialRegistration() {
    Regsvr32(L"/s", dll_);
    Regsvr32(L"/u /s", dll_);
  }
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
      {kTypeLibKey + L"\\1.0\\409\\" + test_bitness::kPlatformKey, nullptr, dll_},
      // The neutral-locale entry the type-library marshaler looks for.
      {kTypeLibKey + L"\\1.0\\0\\" + test_bitness::kPlatformKey, nullptr, dll_},
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
  const std::wstring before = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
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
  const std::wstring after = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
  EXPECT_TRUE(after == before) << "HKLM\\Software\\Classes differs after unregistration; "
                               << FirstDifference(before, after);
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

// The DLL of the other bitness registered side by side, as this process sees
// it: its class in the other registry view, its type library under the other
// platform key. Unregistering ours leaves it the keys both views share; once
// it is gone, our next unregistration takes those too and the registry is as
// it was.
TEST_F(RegistrationTest, SideBySideWithTheOtherBitness) {
  if (!test_bitness::HasOtherView()) GTEST_SKIP() << "a 32-bit prefix has one registry view";
  const std::wstring before = ExportSoftware();
  ASSERT_FALSE(before.empty());

  const std::wstring classes = L"Software\\Classes\\CLSID";
  const std::wstring otherServer = kClsidKey.substr(kClsidKey.find(L'\\') + 1) + L"\\InprocServer32";
  const std::wstring otherDll = std::wstring(L"C:\\other\\") + test_bitness::kOtherDllFileName;
  const std::wstring version = kTypeLibKey + L"\\1.0\\";
  const std::wstring otherTypeLib[] = {version + L"409\\" + test_bitness::kOtherPlatformKey,
                                       version + L"0\\" + test_bitness::kOtherPlatformKey};
  const DWORD otherDllBytes = static_cast<DWORD>((otherDll.size() + 1) * sizeof(wchar_t));
  UniqueRegKey otherClasses;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, classes.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS | test_bitness::kOtherView, nullptr, otherClasses.put(),
                                           nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetKeyValueW(otherClasses.get(), otherServer.c_str(), nullptr, REG_SZ, otherDll.c_str(), otherDllBytes));
  for (const std::wstring& key : otherTypeLib) {
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, otherDll.c_str(),
                                             otherDllBytes));
  }
  const auto otherClassServer = [&] { return ReadString(otherClasses.get(), otherServer, nullptr).value_or(L"<missing>"); };

  ASSERT_EQ(0, Regsvr32(L"/s", dll_));
  EXPECT_EQ(dll_, ReadString(HKEY_CLASSES_ROOT, kClsidKey + L"\\InprocServer32", nullptr).value_or(L"<missing>"));
  EXPECT_EQ(otherDll, otherClassServer()) << "each class in its own view";
  ASSERT_EQ(0, Regsvr32(L"/u /s", dll_)) << "the other bitness's entry under the neutral locale stays";

  EXPECT_FALSE(MachineWideRegistered());
  EXPECT_EQ(otherDll, otherClassServer());
  const struct {
    std::wstring key;
    const wchar_t* name;
    std::wstring text;
  } kept[] = {
      {kProgId1, nullptr, L"Dorvex_ZevEvover Class"},
      {kProgId1 + L"\\CLSID", nullptr, L"{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}"},
      {kProgId, nullptr, L"Dorvex_ZevEvover Class"},
      {kProgId + L"\\CLSID", nullptr, L"{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}"},
      {kProgId + L"\\CurVer", nullptr, kProgId1},
      {kAppIdKey, nullptr, L"DorvexZevEvov"},
      {L"AppID\\Vexdor.ZevEvov.DLL", L"AppID", kAppIdText},
      {kTypeLibKey + L"\\1.0", nullptr, L"DorvexZevEvov 1.0 Type Library"},
      {otherTypeLib[0], nullptr, otherDll},
      {otherTypeLib[1], nullptr, otherDll},
  };
  for (const auto& k : kept) {
    SCOPED_TRACE(testing::PrintToString(k.key));
    EXPECT_EQ(k.text, ReadString(HKEY_CLASSES_ROOT, k.key, k.name).value_or(L"<missing>"));
  }
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, version + L"409\\" + test_bitness::kPlatformKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, version + L"0\\" + test_bitness::kPlatformKey));

  // The other bitness goes: its class, its type library entries.
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteTreeW(otherClasses.get(), kClsidKey.substr(kClsidKey.find(L'\\') + 1).c_str()));
  for (const std::wstring& key : otherTypeLib) {
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str()));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CLASSES_ROOT, key.substr(0, key.rfind(L'\\')).c_str()));
  }
  ASSERT_EQ(0, Regsvr32(L"/s", dll_));
  ASSERT_EQ(0, Regsvr32(L"/u /s", dll_));
  const std::wstring after = ExportSoftware();
  EXPECT_TRUE(after == before) << FirstDifference(before, after);
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
  const std::wstring copy = folder + L"\\" + test_bitness::kDllFileName;
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileW(dll_.c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(0, Regsvr32(L"/s", copy));
  EXPECT_EQ(copy, ReadString(HKEY_CLASSES_ROOT, kClsidKey + L"\\InprocServer32", nullptr).value_or(L"<missing>"));
  EXPECT_EQ(0, Regsvr32(L"/u /s", copy));
  EXPECT_FALSE(MachineWideRegistered());
  DeleteFileW(copy.c_str());
  RemoveDirectoryW(folder.c_str());
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
      {"unregister again", true, [](const Exports& d) { return d.unregisterServer(); }},
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

// The module path is read into MAX_PATH characters: a path that fills the
// buffer is refused before anything is written, one character less works.
TEST_F(RegistrationTest, LongLibraryPaths) {
  const std::wstring file = test_bitness::kDllFileName;
  const struct {
    size_t length;
    HRESULT expected;
  } cases[] = {
      {MAX_PATH - 1, S_OK},
      {MAX_PATH, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
      {MAX_PATH + 20, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "path of " << c.length << " characters");
    const std::wstring folder = FolderForPathLength(L"zevevov-long", file, c.length);
    const std::wstring copy = folder + L"\\" + file;
    ASSERT_EQ(c.length, copy.size());
    CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(dll_.c_str(), copy.c_str(), FALSE));
    {
      Exports dll(copy);
      ASSERT_TRUE(dll.ok());
      EXPECT_HR(c.expected, dll.registerServer());
      if (SUCCEEDED(c.expected)) {
        EXPECT_EQ(copy, ReadString(HKEY_CLASSES_ROOT, kClsidKey + L"\\InprocServer32", nullptr).value_or(L"<missing>"));
        EXPECT_EQ(copy, RegisteredTypeLibraryPath().value_or(L"<missing>"));
      } else {
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey)) << "the application id script is the first step";
        EXPECT_FALSE(MachineWideRegistered());
      }
      EXPECT_HR(c.expected, dll.unregisterServer());
    }
    EXPECT_FALSE(MachineWideRegistered());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    RemoveCopy(folder, {file});
  }
}

// A library without its own type library registers the ".tlb" file of the
// same base name beside it. The extension is the last full stop of the file
// name (a folder's does not count), or the end of a name without one; when
// ".tlb" would not fit into MAX_PATH characters there, nothing is tried.
TEST_F(RegistrationTest, CompanionTypeLibrary) {
  const struct {
    const char* what;
    const wchar_t* base;
    std::wstring file;       // as stored
    std::wstring loadName;   // as loaded; a trailing full stop keeps the loader from adding ".dll"
    std::wstring companion;  // the file registration should find, empty for none
    size_t pathLength;       // 0: the folder is used as named
    bool expectFail;         // E_FAIL instead of the platform's load failure
  } cases[] = {
      {"companion beside the library", L"zevevov-tlb\\a", L"zev.dll", L"zev.dll", L"zev.tlb", 0, false},
      {"no companion", L"zevevov-tlb\\b", L"zev.dll", L"zev.dll", L"", 0, false},
      {"a full stop in the folder only", L"zevevov-tlb\\c.d", L"zev", L"zev.", L"zev.tlb", 0, false},
      {"name without extension, \".tlb\" just fits", L"zevevov-tlb", L"zevevov", L"zevevov.", L"zevevov.tlb",
       MAX_PATH - 5, false},
      {"name without extension, \".tlb\" would not fit", L"zevevov-tlb", L"zevevov", L"zevevov.", L"zevevov.tlb",
       MAX_PATH - 4, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring folder = c.pathLength ? FolderForPathLength(c.base, c.file, c.pathLength)
                                             : std::wstring(L"C:\\") + c.base;
    CreateDirectoryW(folder.substr(0, folder.rfind(L'\\')).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\" + c.file;
    ASSERT_TRUE(CopyWithoutTypeLibrary(copy));
    const std::wstring companion = folder + L"\\" + (c.companion.empty() ? L"zev.tlb" : c.companion);
    if (!c.companion.empty()) {
      ASSERT_TRUE(WriteTypeLibraryFile(companion));
    }

    HRESULT expected = S_OK;
    if (c.expectFail) {
      expected = E_FAIL;
    } else if (c.companion.empty()) {
      // The second attempt's failure is the result: what the platform says
      // about the missing companion.
      ITypeLib* none = nullptr;
      expected = LoadTypeLib(companion.c_str(), &none);
      ASSERT_TRUE(FAILED(expected)) << HResultText{expected};
    }
    {
      Exports dll(folder + L"\\" + c.loadName);
      ASSERT_TRUE(dll.ok());
      EXPECT_HR(expected, dll.registerServer());
      if (SUCCEEDED(expected)) {
        EXPECT_EQ(copy, ReadString(HKEY_CLASSES_ROOT, kClsidKey + L"\\InprocServer32", nullptr).value_or(L"<missing>"));
        EXPECT_EQ(companion, RegisteredTypeLibraryPath().value_or(L"<missing>"));
      } else {
        EXPECT_FALSE(MachineWideRegistered()) << "a failed registration takes back what it wrote";
        EXPECT_FALSE(RegisteredTypeLibraryPath().has_value());
      }
      EXPECT_HR(expected, dll.unregisterServer());
    }
    EXPECT_FALSE(MachineWideRegistered());
    // A failed unregistration still runs the application id script.
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    if (MachineWideRegistered() || KeyExists(HKEY_CLASSES_ROOT, kAppIdKey)) RemovePartialRegistration();
    RemoveCopy(folder, {c.file, c.companion});
  }
}

// What stands in a registration's way: a pre-existing ProgID key the class
// script cannot write below (volatile: no lasting subkey; read-only: no write
// at all), or a file without its type library.
enum class Obstacle { kVolatileProgId, kReadOnlyProgId, kNoTypeLibrary };

const wchar_t kReadOnly[] = L"D:P(A;;KR;;;WD)";
const wchar_t kFullAccess[] = L"D:P(A;;KA;;;WD)";

bool SetKeySecurity(const std::wstring& key, const wchar_t* descriptorText) {
  UniqueRegKey opened;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, WRITE_DAC, opened.put()) != ERROR_SUCCESS) return false;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(descriptorText, SDDL_REVISION_1, &descriptor, nullptr)) {
    return false;
  }
  const LONG error = RegSetKeySecurity(opened.get(), DACL_SECURITY_INFORMATION, descriptor);
  LocalFree(descriptor);
  return error == ERROR_SUCCESS;
}

bool CreateProgIdKey(Obstacle obstacle) {
  const DWORD options = obstacle == Obstacle::kVolatileProgId ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
  UniqueRegKey key;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, kProgId1.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, key.put(),
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  const std::vector<BYTE> text = StringBytes(L"another product's");
  if (RegSetValueExW(key.get(), nullptr, 0, REG_SZ, text.data(), static_cast<DWORD>(text.size())) != ERROR_SUCCESS) {
    return false;
  }
  return obstacle != Obstacle::kReadOnlyProgId || SetKeySecurity(kProgId1, kReadOnly);
}

void RemoveProgIdKey(Obstacle obstacle) {
  if (obstacle == Obstacle::kReadOnlyProgId) SetKeySecurity(kProgId1, kFullAccess);
  RegDeleteKeyW(HKEY_CLASSES_ROOT, kProgId1.c_str());
}

// A failed registration takes back exactly what it created, whichever step
// failed: the pre-existing key keeps its value, no AppID key or class is left,
// and the registry is as before. DllInstall fails the same way. The caller's
// thread locale survives.
TEST_F(RegistrationTest, FailedRegistrationLeavesTheRegistryAsBefore) {
  const std::wstring folder = L"C:\\zevevov-install";
  const std::wstring copy = folder + L"\\zev.dll";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyWithoutTypeLibrary(copy));
  const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
  const LCID original = GetThreadLocale();
  // 0: any failure.
  const struct {
    const char* what;
    Obstacle obstacle;
    bool install;
    HRESULT expected;
  } cases[] = {
      {"volatile ProgID, DllRegisterServer", Obstacle::kVolatileProgId, false,
       HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE)},
      {"volatile ProgID, DllInstall", Obstacle::kVolatileProgId, true, HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE)},
      {"read-only ProgID, DllRegisterServer", Obstacle::kReadOnlyProgId, false, E_ACCESSDENIED},
      {"read-only ProgID, DllInstall", Obstacle::kReadOnlyProgId, true, E_ACCESSDENIED},
      {"no type library, DllRegisterServer", Obstacle::kNoTypeLibrary, false, 0},
      {"no type library, DllInstall", Obstacle::kNoTypeLibrary, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const bool progIdKey = c.obstacle != Obstacle::kNoTypeLibrary;
    if (progIdKey) {
      ASSERT_TRUE(CreateProgIdKey(c.obstacle));
    }
    const std::wstring before = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
    ASSERT_FALSE(before.empty());
    {
      Exports dll(progIdKey ? dll_ : copy);
      ASSERT_TRUE(dll.ok());
      ASSERT_TRUE(SetThreadLocale(german));
      const HRESULT result = c.install ? dll.install(TRUE, nullptr) : dll.registerServer();
      EXPECT_EQ(german, GetThreadLocale());
      SetThreadLocale(original);
      if (c.expected != 0) {
        EXPECT_HR(c.expected, result);
      } else {
        EXPECT_TRUE(FAILED(result)) << HResultText{result};
      }
    }
    EXPECT_FALSE(MachineWideRegistered());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"AppID\\Vexdor.ZevEvov.DLL"));
    if (progIdKey) {
      EXPECT_EQ(L"another product's", ReadString(HKEY_CLASSES_ROOT, kProgId1, nullptr).value_or(L"<missing>"));
    }
    const std::wstring after = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
    EXPECT_TRUE(after == before) << FirstDifference(before, after);
    if (progIdKey) RemoveProgIdKey(c.obstacle);
  }
  RemoveCopy(folder, {L"zev.dll"});
}

// A registration that fails over an earlier one (here a copy without its
// type library over the registered DLL) leaves the earlier one whole: its
// class key, which the class script forces out, comes back as it was.
TEST_F(RegistrationTest, FailedRegistrationKeepsTheRegistrationBefore) {
  ASSERT_EQ(0, Regsvr32(L"/s", dll_));
  const std::wstring before = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
  ASSERT_FALSE(before.empty());
  const std::wstring folder = L"C:\\zevevov-over";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyWithoutTypeLibrary(folder + L"\\zev.dll"));
  {
    Exports copy(folder + L"\\zev.dll");
    ASSERT_TRUE(copy.ok());
    const HRESULT result = copy.registerServer();
    EXPECT_TRUE(FAILED(result)) << HResultText{result};
  }
  const std::wstring after = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
  EXPECT_TRUE(after == before) << FirstDifference(before, after);
  EXPECT_EQ(0, Regsvr32(L"/u /s", dll_));
  RemoveCopy(folder, {L"zev.dll"});
}

// Unregistering a server that is not (or no longer wholly) registered
// succeeds and leaves the registry as it was before the first registration:
// a type library that is not registered counts as unregistered.
TEST_F(RegistrationTest, UnregistrationCanBeRepeated) {
  const std::wstring before = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
  ASSERT_FALSE(before.empty());
  Exports dll;
  ASSERT_TRUE(dll.ok());
  auto registerAll = [&] { ASSERT_EQ(0, Regsvr32(L"/s", dll_)); };
  auto typeLibraryRemovedElsewhere = [&] {
    registerAll();
    ASSERT_HR(S_OK, UnRegisterTypeLib(LIBID_VeltaraDeskZevEvovLib, 1, 0, 0x409, test_bitness::kSysKind));
  };
  auto regsvr32Unregister = [&]() -> long { return Regsvr32(L"/u /s", dll_); };
  const struct {
    const char* what;
    std::function<void()> prepare;
    std::function<long()> unregister;  // 0 for success
  } cases[] = {
      {"second regsvr32 /u", [&] { registerAll(); ASSERT_EQ(0, regsvr32Unregister()); }, regsvr32Unregister},
      {"regsvr32 /u, type library removed elsewhere", typeLibraryRemovedElsewhere, regsvr32Unregister},
      {"DllUnregisterServer, type library removed elsewhere", typeLibraryRemovedElsewhere,
       [&]() -> long { return dll.unregisterServer(); }},
      {"DllInstall(FALSE) of a server never registered", [] {}, [&]() -> long { return dll.install(FALSE, nullptr); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NO_FATAL_FAILURE(c.prepare());
    EXPECT_EQ(0, c.unregister());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kAppIdKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
    const std::wstring after = ExportRegistryKey(L"HKLM\\Software\\Classes", L"");
    EXPECT_TRUE(after == before) << FirstDifference(before, after);
  }
}

// The help directory registered with the type library: the help file's path
// up to its last backslash, slash or colon, empty without one; a library
// without a help file (the DLL's own) is registered with no directory.
TEST_F(RegistrationTest, HelpDirectoryOfTheTypeLibrary) {
  const std::wstring folder = L"C:\\zevevov-help";
  const std::wstring copy = folder + L"\\zev.dll";
  const std::wstring companion = folder + L"\\zev.tlb";
  const std::wstring helpDirKey = kTypeLibKey + L"\\1.0\\HELPDIR";
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyWithoutTypeLibrary(copy));
  const struct {
    const wchar_t* helpFile;
    const wchar_t* directory;
  } cases[] = {
      {L"C:\\docs\\zev.chm", L"C:\\docs\\"},
      {L"C:/docs/zev.chm", L"C:/docs/"},
      {L"\\\\host\\share/sub\\zev.chm", L"\\\\host\\share/sub\\"},
      {L"D:zev.chm", L"D:"},
      {L"zev.chm", L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.helpFile)));
    ASSERT_HR(S_OK, WriteTypeLibraryWithHelpFile(companion, c.helpFile));
    Exports dll(copy);
    ASSERT_TRUE(dll.ok());
    EXPECT_HR(S_OK, dll.registerServer());
    EXPECT_EQ(c.directory, ReadString(HKEY_CLASSES_ROOT, helpDirKey, nullptr).value_or(L"<missing>"));
    EXPECT_HR(S_OK, dll.unregisterServer());
  }
  DeleteFileW(companion.c_str());
  RemoveCopy(folder, {L"zev.dll"});

  Exports dll;
  ASSERT_TRUE(dll.ok());
  ASSERT_HR(S_OK, dll.registerServer());
  // No help file, so no directory is passed: the platform files its own
  // default, never the empty directory of a help file without a folder.
  const std::optional<std::wstring> ownDirectory = ReadString(HKEY_CLASSES_ROOT, helpDirKey, nullptr);
  EXPECT_NE(std::optional<std::wstring>(L""), ownDirectory);
  EXPECT_HR(S_OK, dll.unregisterServer());
}

}  // namespace
