// The DLL's resources as the platform's loader finds them: the two registration
// scripts byte for byte with their languages, string 100, the version strings.
// The 64-bit tree reads the 32-bit DLL's file as well (as data, which works
// across bitness): both files carry the same resources but for the file
// description.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/win/unique_module.h"
#include "test_bitness.h"
#include "test_paths.h"

namespace {

constexpr WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
constexpr WORD kEnglishUk = 2057;

const char kAppIdScript[] =
    "HKCR\r\n{\r\n\tNoRemove AppID\r\n\t{\r\n\t\t'%APPID%' = s 'DorvexZevEvov'\r\n\t\t'Vexdor.ZevEvov.DLL'\r\n"
    "\t\t{\r\n\t\t\tval AppID = s '%APPID%'\r\n\t\t}\r\n\t}\r\n}\r\n";

const char kClassScript[] =
    "HKCR\r\n{\r\n"
    "\tDorvexZevEvov.Dorvex_ZevEvover.1 = s 'Dorvex_ZevEvover Class'\r\n\t{\r\n"
    "\t\tCLSID = s '{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}'\r\n\t}\r\n"
    "\tDorvexZevEvov.Dorvex_ZevEvover = s 'Dorvex_ZevEvover Class'\r\n\t{\r\n"
    "\t\tCLSID = s '{5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66}'\r\n"
    "\t\tCurVer = s 'DorvexZevEvov.Dorvex_ZevEvover.1'\r\n\t}\r\n"
    "\tNoRemove CLSID\r\n\t{\r\n"
    "\t\tForceRemove {5D0B7A31-6C2E-4F19-A8D4-3E71C09B2F66} = s 'Dorvex_ZevEvover Class'\r\n\t\t{\r\n"
    "\t\t\tProgID = s 'DorvexZevEvov.Dorvex_ZevEvover.1'\r\n"
    "\t\t\tVersionIndependentProgID = s 'DorvexZevEvov.Dorvex_ZevEvover'\r\n"
    "\t\t\tForceRemove 'Programmable'\r\n"
    "\t\t\tInprocServer32 = s '%MODULE%'\r\n\t\t\t{\r\n"
    "\t\t\t\tval ThreadingModel = s 'Free'\r\n\t\t\t}\r\n"
    "\t\t\tval AppID = s '%APPID%'\r\n"
    "\t\t\t'TypeLib' = s '{9A4C2E17-B35D-4E80-9F61-07D2C8A4E5B3}'\r\n\t\t}\r\n\t}\r\n}\r\n";

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
  reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
  return TRUE;
}

struct LibraryFile {
  std::wstring path;
  const wchar_t* fileDescription;
};

std::vector<LibraryFile> LibraryFiles() {
  std::vector<LibraryFile> files = {{testing_paths::DllPath(), test_bitness::kFileDescription}};
  if (sizeof(void*) == 8 && !testing_paths::X32BuildDirectory().empty()) {
    files.push_back(
        {testing_paths::X32BuildDirectory() + test_bitness::kOtherDllFileName, L"Veltara.Desk.ZevEvov (32-bit)"});
  }
  return files;
}

class LibraryFileTest : public testing::TestWithParam<LibraryFile> {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryExW(GetParam().path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module_.get()) << "error " << GetLastError();
  }
  std::string Resource(int id, const wchar_t* type, WORD language) {
    HRSRC found = FindResourceExW(module_.get(), type, MAKEINTRESOURCEW(id), language);
    if (found == nullptr) return "<missing>";
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_.get(), found)));
    return std::string(bytes, SizeofResource(module_.get(), found));
  }
  // The languages a resource is stored under (FindResourceEx falls back to
  // other languages, so it cannot tell).
  std::vector<WORD> Languages(int id, const wchar_t* type) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(
        module_.get(), type, MAKEINTRESOURCEW(id),
        CollectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
  }
  UniqueModule module_;
};

TEST_P(LibraryFileTest, RegistrationScriptsByteForByte) {
  EXPECT_EQ(kAppIdScript, Resource(101, L"REGISTRY", kNeutral));
  EXPECT_EQ(kClassScript, Resource(106, L"REGISTRY", kEnglishUk));
  EXPECT_EQ(std::vector<WORD>{kNeutral}, Languages(101, L"REGISTRY"));
  EXPECT_EQ(std::vector<WORD>{kEnglishUk}, Languages(106, L"REGISTRY"));
  EXPECT_EQ(std::vector<WORD>{kNeutral}, Languages(1, L"TYPELIB"));
}

TEST_P(LibraryFileTest, TypeLibraryIsResourceOne) {
  std::string typelib = Resource(1, L"TYPELIB", kNeutral);
  ASSERT_GT(typelib.size(), 4u);
  EXPECT_EQ("MSFT", typelib.substr(0, 4));
}

TEST_P(LibraryFileTest, ProjectNameString) {
  wchar_t text[64] = {};
  ASSERT_GT(LoadStringW(module_.get(), 100, text, 64), 0);
  EXPECT_STREQ(L"Veltara.Desk.ZevEvov", text);
}

TEST_P(LibraryFileTest, VersionStrings) {
  const std::wstring& path = GetParam().path;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  ASSERT_GT(size, 0u);
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));
  struct Expected {
    const wchar_t* key;
    const wchar_t* value;
  } expected[] = {
      {L"FileDescription", GetParam().fileDescription},
      {L"InternalName", L"Veltara.Desk.ZevEvov.dll"},
      {L"OriginalFilename", L"Veltara.Desk.ZevEvov.dll"},
      {L"ProductName", L"Veltara.Desk"},
  };
  for (const Expected& e : expected) {
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + e.key;
    wchar_t* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) << testing::PrintToString(std::wstring(e.key));
    EXPECT_STREQ(e.value, value);
  }
}

TEST_P(LibraryFileTest, ManifestRunsAsInvoker) {
  std::string manifest = Resource(2, MAKEINTRESOURCEW(24), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\"")) << manifest;
}

INSTANTIATE_TEST_SUITE_P(BothBitnesses, LibraryFileTest, testing::ValuesIn(LibraryFiles()),
                         [](const testing::TestParamInfo<LibraryFile>& info) {
                           return info.param.path.find(L".x64.") != std::wstring::npos ? "x64" : "x32";
                         });

}  // namespace
