// Both DLLs registered side by side in the win64 prefix, as on a 64-bit PC
// with a 32-bit and a 64-bit SAP front end. Each front end's bitness finds its
// own DLL loaded in its own process: the clients ask for in-process servers
// only, since Wine would otherwise quietly start a surrogate for a class of the
// other bitness where Windows says "Class not registered". Unregistering
// either one first leaves the other working; after both, HKLM\Software (both
// views) and HKCU\Software are byte for byte as before.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/win/unique_reg_key.h"
#include "process_runner.h"
#include "registry_export.h"
#include "test_bitness.h"
#include "test_paths.h"

namespace {

constexpr wchar_t kProgId[] = L"DorvexZevEvov.Dorvex_ZevEvover";
constexpr wchar_t kClassId[] = L"{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}";
// inproc_client's exit codes.
constexpr long kServedByExpectedDll = 0;
constexpr long kNotCreated = 3;

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring Wow64Program(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  const UINT n = GetSystemWow64DirectoryW(folder, MAX_PATH);
  return Quoted(std::wstring(folder, n) + L"\\" + name);
}

struct Bitness {
  const char* name;
  std::wstring regsvr32;
  std::wstring dll;
  std::wstring client;
};

class SideBySideTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::wstring x32 = testing_paths::X32BuildDirectory();
    ASSERT_FALSE(x32.empty()) << "ZEVEVOV_X32_BIN names the 32-bit build";
    bits_[0] = {"32-bit", Wow64Program(L"regsvr32.exe"), x32 + test_bitness::kOtherDllFileName,
                x32 + L"inproc_client.exe"};
    bits_[1] = {"64-bit", SystemProgram(L"regsvr32.exe"), testing_paths::DllPath(),
                testing_paths::ToolPath(L"inproc_client")};
    // Unregistration leaves the shared AppID and CLSID keys where it found
    // none, and per user, with both DLLs in Wine's one user class key, an
    // empty TypeLib key as well; they stand in every prefix that saw a
    // registration before, and each order must end where it started apart
    // from them.
    for (const wchar_t* shared :
         {L"Software\\Classes\\AppID", L"Software\\Classes\\CLSID", L"Software\\Classes\\TypeLib"}) {
      UniqueRegKey key;
      ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, shared, 0, nullptr, 0, KEY_READ, nullptr, key.put(),
                                               nullptr));
    }
  }
  void TearDown() override {
    for (const Bitness& b : bits_) {
      Regsvr32(b, L"/u /s");
      Regsvr32(b, L"/u /s /n /i:user");
    }
  }
  static long Regsvr32(const Bitness& b, const std::wstring& options) {
    return RunProcess(b.regsvr32 + L" " + options + L" " + Quoted(b.dll));
  }
  static long Client(const Bitness& b, const wchar_t* name) {
    return RunProcess(Quoted(b.client) + L" " + name + L" " + Quoted(b.dll));
  }
  Bitness bits_[2];
};

TEST_F(SideBySideTest, EveryOrderEndsWhereItStarted) {
  const struct {
    const char* what;
    int first;  // the bitness unregistered first
    const wchar_t* scope;
    // Wine's HKEY_CLASSES_ROOT does not merge the user's classes: a per-user
    // registration is checked in the registry only.
    bool activates;
  } orders[] = {
      {"machine-wide, 32-bit unregistered first", 0, L"", true},
      {"machine-wide, 64-bit unregistered first", 1, L"", true},
      {"per user, 32-bit unregistered first", 0, L" /n /i:user", false},
      {"per user, 64-bit unregistered first", 1, L" /n /i:user", false},
  };
  for (const auto& order : orders) {
    SCOPED_TRACE(order.what);
    const Bitness& first = bits_[order.first];
    const Bitness& second = bits_[1 - order.first];
    const std::wstring before = ExportSoftware();
    ASSERT_FALSE(before.empty());

    for (const Bitness& b : bits_) ASSERT_EQ(0, Regsvr32(b, std::wstring(L"/s") + order.scope)) << b.name;
    if (order.activates) {
      for (const Bitness& b : bits_) {
        EXPECT_EQ(kServedByExpectedDll, Client(b, kProgId)) << b.name << " client by ProgID";
        EXPECT_EQ(kServedByExpectedDll, Client(b, kClassId)) << b.name << " client by class id";
      }
    }
    ASSERT_EQ(0, Regsvr32(first, std::wstring(L"/u /s") + order.scope)) << first.name;
    if (order.activates) {
      EXPECT_EQ(kServedByExpectedDll, Client(second, kProgId)) << second.name << " client by ProgID";
      EXPECT_EQ(kServedByExpectedDll, Client(second, kClassId)) << second.name << " client by class id";
      EXPECT_EQ(kNotCreated, Client(first, kClassId)) << first.name << " class is gone from its own view";
    }
    ASSERT_EQ(0, Regsvr32(second, std::wstring(L"/u /s") + order.scope)) << second.name;

    const std::wstring after = ExportSoftware();
    EXPECT_TRUE(after == before) << FirstDifference(before, after);
  }
}

}  // namespace
