// The registrar against the real registry: scripts written below a test key of
// the test's own (HKCU\Software\ZevEvovRegistrarTest), read back byte for byte
// with RegQueryValueExW, and the module's own script resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/win/unique_handle.h"
#include "base/win/unique_reg_key.h"
#include "base/win/wide_text.h"
#include "registrar/run_script_text.h"
#include "registrar/win/advapi_registry.h"
#include "registrar/win/reg_object.h"
#include "registry_probe.h"
#include "test_paths.h"

namespace {

constexpr wchar_t kTestKey[] = L"Software\\ZevEvovRegistrarTest";
constexpr wchar_t kAppId[] = L"{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}";

// Script 106's entries, moved below the test key.
const wchar_t kClassEntries[] =
    L"\tDorvexZevEvov.Dorvex_ZevEvover.1 = s 'Dorvex_ZevEvover Class'\r\n\t{\r\n"
    L"\t\tCLSID = s '{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}'\r\n\t}\r\n"
    L"\tDorvexZevEvov.Dorvex_ZevEvover = s 'Dorvex_ZevEvover Class'\r\n\t{\r\n"
    L"\t\tCLSID = s '{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}'\r\n"
    L"\t\tCurVer = s 'DorvexZevEvov.Dorvex_ZevEvover.1'\r\n\t}\r\n"
    L"\tNoRemove CLSID\r\n\t{\r\n"
    L"\t\tForceRemove {5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66} = s 'Dorvex_ZevEvover Class'\r\n\t\t{\r\n"
    L"\t\t\tProgID = s 'DorvexZevEvov.Dorvex_ZevEvover.1'\r\n"
    L"\t\t\tVersionIndependentProgID = s 'DorvexZevEvov.Dorvex_ZevEvover'\r\n"
    L"\t\t\tForceRemove 'Programmable'\r\n"
    L"\t\t\tInprocServer32 = s '%MODULE%'\r\n\t\t\t{\r\n"
    L"\t\t\t\tval ThreadingModel = s 'Free'\r\n\t\t\t}\r\n"
    L"\t\t\tval AppID = s '%APPID%'\r\n"
    L"\t\t\t'TypeLib' = s '{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}'\r\n\t\t}\r\n\t}\r\n";

std::wstring BelowTestKey(const std::wstring& entries) {
  return L"HKCU\r\n{\r\n NoRemove Software\r\n {\r\n  ZevEvovRegistrarTest\r\n  {\r\n" + entries + L"  }\r\n }\r\n}\r\n";
}

bool TestKeyExists(const std::wstring& key) { return KeyExists(HKEY_CURRENT_USER, key); }

class RegistrarTest : public testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    ASSERT_EQ(S_OK, registrar_.Initialize());
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

  HRESULT Run(const std::wstring& script, bool doRegister) {
    registrar::AdvapiRegistry registry;
    registrar::PlatformTextCompare compare;
    registrar::VariantNumberConversion numbers;
    registrar::TaskMemory memory;
    const registrar::ScriptServices services{registry, compare, numbers, memory};
    // The table is filled through the registrar, as registration does it.
    return registrar::RunScriptText(AsUtf16(script.c_str()), doRegister, Table(), services, registrar::ClassesRoot::kAsNamed);
  }
  const registrar::ReplacementTable& Table();

  registrar::CRegObject registrar_;
};

// The registrar keeps its table private; a second table with the same
// definitions stands in for it in direct script runs.
class TableHolder {
 public:
  TableHolder() : table_(lock_, compare_) {
    lock_.Initialize();
    table_.DefineReplacement(u"APPID", AsUtf16(kAppId));
    table_.DefineReplacement(u"Module", u"C:\\Program Files\\It''s\\Veltara.Desk.ZevEvov.x32.dll");
  }
  const registrar::ReplacementTable& table() const { return table_; }

 private:
  registrar::PlatformTextCompare compare_;
  registrar::CriticalSectionLock lock_;
  registrar::ReplacementTable table_;
};

const registrar::ReplacementTable& RegistrarTest::Table() {
  static TableHolder holder;
  return holder.table();
}

TEST_F(RegistrarTest, ClassScriptRoundTrip) {
  const std::wstring script = BelowTestKey(kClassEntries);
  ASSERT_EQ(S_OK, Run(script, true));

  const std::wstring base = std::wstring(kTestKey) + L"\\";
  const std::wstring clsid = base + L"CLSID\\{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}";
  struct Expected {
    std::wstring key;
    const wchar_t* name;
    std::wstring text;
  } expected[] = {
      {base + L"DorvexZevEvov.Dorvex_ZevEvover.1", nullptr, L"Dorvex_ZevEvover Class"},
      {base + L"DorvexZevEvov.Dorvex_ZevEvover.1\\CLSID", nullptr, L"{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}"},
      {base + L"DorvexZevEvov.Dorvex_ZevEvover\\CurVer", nullptr, L"DorvexZevEvov.Dorvex_ZevEvover.1"},
      {clsid, nullptr, L"Dorvex_ZevEvover Class"},
      {clsid, L"AppID", kAppId},
      {clsid + L"\\InprocServer32", nullptr, L"C:\\Program Files\\It's\\Veltara.Desk.ZevEvov.x32.dll"},
      {clsid + L"\\InprocServer32", L"ThreadingModel", L"Free"},
      {clsid + L"\\VersionIndependentProgID", nullptr, L"DorvexZevEvov.Dorvex_ZevEvover"},
      {clsid + L"\\TypeLib", nullptr, L"{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}"},
  };
  for (const Expected& e : expected) {
    std::optional<RegistryValue> value = ReadValue(HKEY_CURRENT_USER, e.key, e.name);
    ASSERT_TRUE(value.has_value()) << testing::PrintToString(e.key);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), value->type);
    EXPECT_EQ(StringBytes(e.text), value->bytes) << testing::PrintToString(e.key);
  }
  EXPECT_TRUE(TestKeyExists(clsid + L"\\Programmable"));
  EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, clsid + L"\\Programmable", nullptr).has_value()) << "a key without assignment has no default value";

  ASSERT_EQ(S_OK, Run(script, false));
  EXPECT_FALSE(TestKeyExists(base + L"DorvexZevEvov.Dorvex_ZevEvover.1"));
  EXPECT_FALSE(TestKeyExists(base + L"DorvexZevEvov.Dorvex_ZevEvover"));
  EXPECT_FALSE(TestKeyExists(clsid));
  EXPECT_TRUE(TestKeyExists(base + L"CLSID")) << "NoRemove keeps CLSID";
}

TEST_F(RegistrarTest, ForeignSubkeyKeepsItsParent) {
  const std::wstring script = BelowTestKey(kClassEntries);
  ASSERT_EQ(S_OK, Run(script, true));
  const std::wstring progId = std::wstring(kTestKey) + L"\\DorvexZevEvov.Dorvex_ZevEvover";
  UniqueRegKey foreign;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (progId + L"\\Foreign").c_str(), 0, nullptr, 0,
                                           KEY_WRITE, nullptr, foreign.put(), nullptr));
  foreign.reset();

  ASSERT_EQ(S_OK, Run(script, false));
  EXPECT_TRUE(TestKeyExists(progId + L"\\Foreign"));
  EXPECT_FALSE(TestKeyExists(progId + L"\\CLSID")) << "listed children go";
  EXPECT_FALSE(TestKeyExists(progId + L"\\CurVer"));
}

TEST_F(RegistrarTest, FailingRootBlockIsRolledBack) {
  const std::wstring first = L"HKCU\r\n{\r\n NoRemove Software\r\n {\r\n  ZevEvovRegistrarTest\r\n  {\r\n   First\r\n  }\r\n }\r\n}\r\n";
  const std::wstring second =
      L"HKCU\r\n{\r\n NoRemove Software\r\n {\r\n  ZevEvovRegistrarTest\r\n  {\r\n   Second = s 'x'\r\n"
      L"   {\r\n    val Number = d 'not a number'\r\n   }\r\n  }\r\n }\r\n}\r\n";
  const HRESULT result = Run(first + second, true);
  EXPECT_TRUE(FAILED(result)) << std::hex << result;
  EXPECT_TRUE(TestKeyExists(std::wstring(kTestKey) + L"\\First")) << "the block before the failing one stays";
  EXPECT_FALSE(TestKeyExists(std::wstring(kTestKey) + L"\\Second")) << "the failing block is rolled back";
}

TEST_F(RegistrarTest, ValueTypesAsStored) {
  const std::wstring script = BelowTestKey(
      L"   Values\r\n   {\r\n    val Sz = s ''\r\n    val Multi = m 'a\\0b'\r\n    val Dword = d '4294967295'\r\n"
      L"    val Binary = b '0aFf'\r\n   }\r\n");
  ASSERT_EQ(S_OK, Run(script, true));
  const std::wstring key = std::wstring(kTestKey) + L"\\Values";
  struct Expected {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
  } expected[] = {
      {L"Sz", REG_SZ, {0, 0}},
      {L"Multi", REG_MULTI_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {L"Dword", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}},
      {L"Binary", REG_BINARY, {0x0A, 0xFF}},
  };
  for (const Expected& e : expected) {
    std::optional<RegistryValue> value = ReadValue(HKEY_CURRENT_USER, key, e.name);
    ASSERT_TRUE(value.has_value()) << testing::PrintToString(std::wstring(e.name));
    EXPECT_EQ(e.type, value->type);
    EXPECT_EQ(e.bytes, value->bytes) << testing::PrintToString(std::wstring(e.name));
  }
}

TEST_F(RegistrarTest, RegistrarIsNoComObject) {
  void* out = reinterpret_cast<void*>(0xdeadbeef);
  EXPECT_EQ(E_NOTIMPL, registrar_.QueryInterface(IID_IUnknown, &out));
  EXPECT_EQ(reinterpret_cast<void*>(0xdeadbeef), out);
  EXPECT_EQ(1u, registrar_.AddRef());
  EXPECT_EQ(1u, registrar_.AddRef());
  EXPECT_EQ(0u, registrar_.Release());
  EXPECT_EQ(E_INVALIDARG, registrar_.DefineReplacement(L"Name", nullptr));
  EXPECT_EQ(E_INVALIDARG, registrar_.DefineReplacement(nullptr, L"text"));
}

TEST_F(RegistrarTest, ScriptResourcesOfTheBuiltDll) {
  const std::wstring dll = testing_paths::DllPath();
  ASSERT_EQ(S_OK, registrar_.DefineReplacement(L"APPID", kAppId));
  ASSERT_EQ(S_OK, registrar_.DefineReplacement(L"Module", dll.c_str()));

  // 101 is short enough for the stack buffer, 106 goes through the heap.
  ASSERT_EQ(S_OK, registrar_.RunScriptResource(dll.c_str(), 101, L"REGISTRY", true));
  const std::wstring appIdKey = std::wstring(L"AppID\\") + kAppId;
  ASSERT_TRUE(KeyExists(HKEY_CLASSES_ROOT, appIdKey));
  ASSERT_EQ(S_OK, registrar_.RunScriptResource(dll.c_str(), 106, L"REGISTRY", true));
  wchar_t server[MAX_PATH] = {};
  LONG size = sizeof server;
  ASSERT_EQ(ERROR_SUCCESS,
            RegQueryValueW(HKEY_CLASSES_ROOT, L"CLSID\\{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}\\InprocServer32", server,
                           &size));
  EXPECT_EQ(dll, std::wstring(server));

  ASSERT_EQ(S_OK, registrar_.RunScriptResource(dll.c_str(), 106, L"REGISTRY", false));
  ASSERT_EQ(S_OK, registrar_.RunScriptResource(dll.c_str(), 101, L"REGISTRY", false));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, appIdKey));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}"));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"AppID")) << "NoRemove AppID stays";
}

// A copy of the built DLL whose only resource is one REGISTRY script, id 101,
// holding bytes as they are (no terminator).
bool CopyWithScript(const std::wstring& path, const std::string& bytes) {
  if (!CopyFileW(testing_paths::DllPath().c_str(), path.c_str(), FALSE)) return false;
  HANDLE update = BeginUpdateResourceW(path.c_str(), TRUE);
  if (update == nullptr) return false;
  const bool added = UpdateResourceW(update, L"REGISTRY", MAKEINTRESOURCEW(101), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                     const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  return EndUpdateResourceW(update, !added) && added;
}

// Sets the size of the only resource of the module file at path to 0: the
// resource update functions take no empty data.
bool EmptyTheOnlyResource(const std::wstring& path) {
  const UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  std::vector<BYTE> image(GetFileSize(file.get(), nullptr));
  DWORD done = 0;
  bool emptied = ReadFile(file.get(), image.data(), static_cast<DWORD>(image.size()), &done, nullptr) && done == image.size();
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
  const DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
  DWORD base = 0;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->SizeOfRawData) {
      base = rva - section->VirtualAddress + section->PointerToRawData;
    }
  }
  emptied = emptied && base != 0;
  // Type, name and language levels, each with one entry, then the data entry.
  DWORD offset = 0;
  for (int level = 0; emptied && level < 3; ++level) {
    const auto* entry = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(image.data() + base + offset +
                                                                                  sizeof(IMAGE_RESOURCE_DIRECTORY));
    offset = entry->OffsetToData & ~IMAGE_RESOURCE_DATA_IS_DIRECTORY;
  }
  if (emptied) {
    reinterpret_cast<IMAGE_RESOURCE_DATA_ENTRY*>(image.data() + base + offset)->Size = 0;
    emptied = SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) == 0 &&
              WriteFile(file.get(), image.data(), static_cast<DWORD>(image.size()), &done, nullptr) && done == image.size();
  }
  return emptied;
}

// Sets the calling thread's locale for one scope.
class ThreadLocaleScope {
 public:
  explicit ThreadLocaleScope(LCID locale) : saved_(GetThreadLocale()) { SetThreadLocale(locale); }
  ~ThreadLocaleScope() { SetThreadLocale(saved_); }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

 private:
  LCID saved_;
};

// True when the file can be opened for writing without sharing, that is when
// no loaded image of it is left behind.
bool FileIsFree(const std::wstring& path) {
  const UniqueHandle file(
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  return static_cast<bool>(file);
}

TEST_F(RegistrarTest, ScriptResourceIsTextInTheThreadCodePage) {
  // 0xE9 is U+00E9 in code page 1252 (US English) and U+0439 in 1251 (Russian).
  const std::string script = "HKCU { NoRemove Software { ZevEvovRegistrarTest { val Text = s 'caf\xE9' } } }";
  const struct {
    LCID locale;
    size_t size;
    const wchar_t* text;
  } cases[] = {
      {MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), 511, L"caf\u00E9"},
      {MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT), 512, L"caf\u00E9"},
      {MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), SORT_DEFAULT), 511, L"caf\u0439"},
      {MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), SORT_DEFAULT), 4000, L"caf\u0439"},
  };
  const std::wstring copy = testing_paths::ProgramDirectory() + L"registrar_script_copy.dll";
  for (const auto& c : cases) {
    // Up to 511 bytes the text is converted on the stack, beyond through the heap.
    ASSERT_TRUE(CopyWithScript(copy, script + std::string(c.size - script.size(), ' '))) << c.size;
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    {
      ThreadLocaleScope locale(c.locale);
      EXPECT_EQ(S_OK, registrar_.RunScriptResource(copy.c_str(), 101, L"REGISTRY", true)) << c.size;
    }
    EXPECT_EQ(std::optional<std::wstring>(c.text), ReadString(HKEY_CURRENT_USER, kTestKey, L"Text"))
        << std::hex << c.locale << std::dec << ", " << c.size << " bytes";
    EXPECT_TRUE(FileIsFree(copy)) << "the module image is freed";
  }
  DeleteFileW(copy.c_str());
}

TEST_F(RegistrarTest, EmptyScriptResourceFailsInTheConversion) {
  const std::wstring copy = testing_paths::ProgramDirectory() + L"registrar_empty_copy.dll";
  ASSERT_TRUE(CopyWithScript(copy, " "));
  ASSERT_TRUE(EmptyTheOnlyResource(copy));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER),
            registrar_.RunScriptResource(copy.c_str(), 101, L"REGISTRY", true));
  EXPECT_TRUE(FileIsFree(copy)) << "the module image is freed";
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND),
            registrar_.RunScriptResource(copy.c_str(), 106, L"REGISTRY", true));
  EXPECT_TRUE(FileIsFree(copy)) << "the module image is freed";
  EXPECT_TRUE(DeleteFileW(copy.c_str()));
}

DWORD WINAPI CreateAndDestroyUnusedRegistrar(void*) {
  { registrar::CRegObject unused; }
  return 0;
}

TEST(RegistrarLock, RegistrarWhoseLockWasNeverSetUpIsDestroyedAtOnce) {
  // A registrar whose lock initialisation failed is destroyed unused; its
  // table must not enter the section that was never set up.
  const UniqueHandle thread(CreateThread(nullptr, 0, CreateAndDestroyUnusedRegistrar, nullptr, 0, nullptr));
  ASSERT_TRUE(thread);
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(thread.get(), 5000)) << "the destructor hangs";
}

TEST_F(RegistrarTest, MissingResourceAndMissingFile) {
  const std::wstring dll = testing_paths::DllPath();
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND),
            registrar_.RunScriptResource(dll.c_str(), 999, L"REGISTRY", true));
  const HRESULT missingFile = registrar_.RunScriptResource(L"C:\\no\\such\\module.dll", 101, L"REGISTRY", true);
  EXPECT_TRUE(FAILED(missingFile)) << std::hex << missingFile;
  EXPECT_EQ(FACILITY_WIN32, HRESULT_FACILITY(missingFile));
}

}  // namespace
