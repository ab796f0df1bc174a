// Writes the Registry rows of an installer package for one DLL, as wixl XML:
// the DLL's own registration scripts run through the product's registrar over
// a recording registry, and the type library's keys as registering it writes
// them. So a package and regsvr32 cannot drift apart.
//   msi_rows PLATFORM FOLDER DLL_NAME APPID_SCRIPT CLASS_SCRIPT TYPE_LIBRARY
// PLATFORM is win32 or win64; FOLDER is the package's directory property the
// DLL is installed into (its path is written as [FOLDER]DLL_NAME); the scripts are the .rgs files the DLL's
// REGISTRY resources are built from; the type library is the .tlb embedded in it.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "registrar/run_script_text.h"
#include "server/server_identifiers.h"
#include "tools/msi_rows/recording_registry.h"
#include "tools/msi_rows/type_library_file.h"

namespace {

using namespace registrar;
using namespace msi_rows;

// The typelib marshaler: the proxy of every interface the library describes.
constexpr char kTypeLibMarshaler[] = "{00020424-0000-0000-C000-000000000046}";
// Stands for the install folder while the scripts run; becomes [FOLDER]
// only after the rows' own brackets are escaped.
constexpr char16_t kInstallDirMark = u'\uE000';

std::string installDir;

class FoldingCompare final : public TextCompare {
 public:
  bool EqualNoCase(const char16_t* left, const char16_t* right) const override {
    auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; };
    for (;; ++left, ++right) {
      if (fold(*left) != fold(*right)) return false;
      if (*left == u'\0') return true;
    }
  }
};

// The scripts hold only string values; a D value is refused rather than guessed.
class NoNumbers final : public NumberConversion {
 public:
  HResult UInt32FromText(const char16_t*, std::uint32_t*) const override {
    return static_cast<HResult>(0x80020005u);
  }
};

class HeapMemory final : public ScriptMemory {
 public:
  void* Allocate(std::size_t bytes) override { return std::malloc(bytes); }
  void* Reallocate(void* block, std::size_t bytes) override { return std::realloc(block, bytes); }
  void Free(void* block) override { std::free(block); }
};

class MutexLock final : public TableLock {
 public:
  void Enter() override { mutex_.lock(); }
  void Leave() override { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

bool ReadFile(const char* path, std::vector<std::uint8_t>* bytes) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return true;
}

// The DLL's resources hold the script bytes in the ANSI code page; the scripts
// are ASCII, and anything else is refused rather than guessed.
bool ScriptText(const std::vector<std::uint8_t>& bytes, std::u16string* text) {
  for (std::uint8_t byte : bytes) {
    if (byte == 0 || byte >= 0x80) return false;
    text->push_back(static_cast<char16_t>(byte));
  }
  return true;
}

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// UTF-8 of a value or key name, escaped for a formatted MSI column and then for XML.
std::string RowText(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    switch (c) {
      case kInstallDirMark: out += installDir; continue;
      case u'[': out += "[\\[]"; continue;
      case u']': out += "[\\]]"; continue;
      case u'&': out += "&amp;"; continue;
      case u'<': out += "&lt;"; continue;
      case u'>': out += "&gt;"; continue;
      case u'"': out += "&quot;"; continue;
      default: break;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

// A string value's text: its UTF-16 data up to the terminator. A leading '#'
// would make the installer read a number, so it is doubled.
std::u16string StringData(const std::vector<std::uint8_t>& data) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const char16_t c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
    if (c == u'\0') break;
    text.push_back(c);
  }
  if (!text.empty() && text[0] == u'#') text.insert(0, 1, u'#');
  return text;
}

void PrintRow(const std::u16string& key, const std::u16string* name, const std::u16string& value) {
  std::printf("<RegistryValue Root=\"HKCR\" Key=\"%s\"", RowText(key).c_str());
  if (name != nullptr) std::printf(" Name=\"%s\"", RowText(*name).c_str());
  std::printf(" Type=\"string\" Value=\"%s\"/>\n", RowText(value).c_str());
}

// An empty key exists only through a row named "*" (made on install, removed
// with everything below it on uninstall).
void PrintEmptyKeyRow(const std::u16string& key) {
  std::printf("<RegistryValue Root=\"HKCR\" Key=\"%s\" Name=\"*\" Type=\"string\" Value=\"\"/>\n",
              RowText(key).c_str());
}

bool PrintScriptRows(const char* appIdPath, const char* classPath, const std::u16string& dllName) {
  FoldingCompare compare;
  NoNumbers numbers;
  HeapMemory memory;
  MutexLock lock;
  RecordingRegistry registry;
  ScriptServices services{registry, compare, numbers, memory};

  ReplacementTable replacements(lock, compare);
  const std::u16string appId(std::begin(kAppIdText), std::end(kAppIdText) - 1);
  const std::u16string module = std::u16string(1, kInstallDirMark) + dllName;
  if (replacements.DefineReplacement(u"APPID", appId.c_str()) != 0 ||
      replacements.DefineReplacement(u"Module", module.c_str()) != 0 ||
      replacements.DefineReplacement(u"Module_Raw", module.c_str()) != 0) {
    return false;
  }
  for (const char* path : {appIdPath, classPath}) {
    std::vector<std::uint8_t> bytes;
    std::u16string text;
    if (!ReadFile(path, &bytes) || !ScriptText(bytes, &text)) {
      std::fprintf(stderr, "msi_rows: cannot read the script %s\n", path);
      return false;
    }
    const HResult result = RunScriptText(text.c_str(), true, replacements, services, ClassesRoot::kAsNamed);
    if (result < 0) {
      std::fprintf(stderr, "msi_rows: the script %s fails: 0x%08x\n", path, static_cast<unsigned>(result));
      return false;
    }
  }
  for (const RecordedKey& key : registry.Keys(reg::kClassesRoot)) {
    for (const RecordedValue& value : key.values) {
      if (value.type != reg::kTypeSz) {
        std::fprintf(stderr, "msi_rows: value type %u is not a string\n", value.type);
        return false;
      }
      PrintRow(key.path, value.name ? &*value.name : nullptr, StringData(value.data));
    }
    if (key.values.empty() && !key.hasSubkeys) PrintEmptyKeyRow(key.path);
  }
  return true;
}

std::string Hex(std::uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%x", value);
  return buffer;
}

// The keys RegisterTypeLib writes for the library and its interfaces, with the
// neutral-locale entry that the DLL's registration adds beside the library's own.
bool PrintTypeLibraryRows(const char* path, const std::string& platform, const std::u16string& dllName) {
  std::vector<std::uint8_t> bytes;
  TypeLibraryFacts facts;
  std::string error;
  if (!ReadFile(path, &bytes) || !ReadTypeLibrary(bytes, &facts, &error)) {
    std::fprintf(stderr, "msi_rows: cannot read the type library %s: %s\n", path, error.c_str());
    return false;
  }
  const std::string version = Hex(facts.majorVersion) + "." + Hex(facts.minorVersion);
  const std::u16string versionKey = Widen("TypeLib\\" + facts.libid + "\\" + version);
  const std::u16string file = std::u16string(1, kInstallDirMark) + dllName;
  const std::u16string folder(1, kInstallDirMark);
  const std::u16string flagsName = u"FLAGS", helpDirName = u"HELPDIR";

  PrintRow(versionKey, nullptr, Widen(facts.helpString.empty() ? facts.name : facts.helpString));
  PrintRow(versionKey + u"\\" + Widen(Hex(facts.lcid)) + u"\\" + Widen(platform), nullptr, file);
  if (facts.lcid != 0) PrintRow(versionKey + u"\\0\\" + Widen(platform), nullptr, file);
  PrintRow(versionKey + u"\\FLAGS", nullptr, Widen(std::to_string(facts.flags)));
  PrintRow(versionKey + u"\\HELPDIR", nullptr, folder);

  const std::u16string versionName = u"Version";
  for (const TypeLibraryInterface& entry : facts.interfaces) {
    const std::u16string key = Widen("Interface\\" + entry.iid);
    PrintRow(key, nullptr, Widen(entry.name));
    PrintRow(key + u"\\ProxyStubClsid", nullptr, Widen(kTypeLibMarshaler));
    PrintRow(key + u"\\ProxyStubClsid32", nullptr, Widen(kTypeLibMarshaler));
    PrintRow(key + u"\\TypeLib", nullptr, Widen(facts.libid));
    PrintRow(key + u"\\TypeLib", &versionName, Widen(version));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 7 || (std::string(argv[1]) != "win32" && std::string(argv[1]) != "win64")) {
    std::fprintf(stderr, "usage: msi_rows win32|win64 FOLDER DLL_NAME APPID_SCRIPT CLASS_SCRIPT TYPE_LIBRARY\n");
    return 2;
  }
  installDir = std::string("[") + argv[2] + "]";
  const std::u16string dllName = Widen(argv[3]);
  if (!PrintScriptRows(argv[4], argv[5], dllName)) return 1;
  if (!PrintTypeLibraryRows(argv[6], argv[1], dllName)) return 1;
  return 0;
}
