// The registrar against the real registry: scripts written below a test key of
// the test's own (HKCU\Software\ZevEvovRegistrarTest), read back byte for byte
// with RegQueryValueExW, and the module's own script resources.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    return registrar::RunScriptText(AsUtf16(script.c_str()), doRegister, Table(), services, false);
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
  HKEY foreign = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, (progId + L"\\Foreign").c_str(), 0, nullptr, 0,
                                           KEY_WRITE, nullptr, &foreign, nullptr));
  RegCloseKey(foreign);

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
  HKEY key = nullptr;
  const std::wstring appIdKey = std::wstring(L"AppID\\") + kAppId;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, appIdKey.c_str(), 0, KEY_READ, &key));
  RegCloseKey(key);
  ASSERT_EQ(S_OK, registrar_.RunScriptResource(dll.c_str(), 106, L"REGISTRY", true));
  wchar_t server[MAX_PATH] = {};
  LONG size = sizeof server;
  ASSERT_EQ(ERROR_SUCCESS,
            RegQueryValueW(HKEY_CLASSES_ROOT, L"CLSID\\{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}\\InprocServer32", server,
                           &size));
  EXPECT_EQ(dll, std::wstring(server));

  ASSERT_EQ(S_OK, registrar_.RunScriptResource(dll.c_str(), 106, L"REGISTRY", false));
  ASSERT_EQ(S_OK, registrar_.RunScriptResource(dll.c_str(), 101, L"REGISTRY", false));
  EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, appIdKey.c_str(), 0, KEY_READ, &key));
  EXPECT_NE(ERROR_SUCCESS,
            RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}", 0, KEY_READ, &key));
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, L"AppID", 0, KEY_READ, &key)) << "NoRemove AppID stays";
  RegCloseKey(key);
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
