// Registration scripts on the in-memory registry: expansion with a
// replacement table and either value of the per-user switch, then the
// register pass and, after a success, the unregister pass.
//
// Input: the script text up to two zero bytes (so a stored .rgs file is an
// input as it is), then the set-up: switches, keys already in the registry
// (some of them refusing to be opened, written or closed), more replacements.
//
// Properties: nothing stays open or allocated; a root block whose register
// pass fails leaves the registry as it was before that block (only what
// ForceRemove and Delete entries removed may stay removed); RunScriptText
// ends as a walk of the same root blocks one by one does; and after a
// register pass and an unregister pass that both succeed, a key that the
// register pass created is still there only when it holds subkeys, when a
// NoRemove entry names it, or when its name is too long to be taken back.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_require.h"
#include "registrar/key_walker.h"
#include "registrar/run_script_text.h"
#include "registrar/script_expander.h"
#include "registrar/script_text_buffer.h"
#include "registrar/token_scanner.h"
#include "tests/native/registrar_fakes.h"

namespace {

using namespace registrar;
using registrar_test::FakeRegistry;
using registrar_test::Fold;
using registrar_test::ScriptHarness;

constexpr std::size_t kMaxScript = 16384;
constexpr std::size_t kMaxPresetKeys = 4;
constexpr std::size_t kMaxExtraReplacements = 3;
// The unregister pass deletes no key whose name it cannot remember whole.
constexpr std::size_t kRememberedKeyNameLimit = 259;

struct RootName {
  const char16_t* name;
  RegKey key;
};

// The names a root block may open with.
constexpr RootName kRootNames[] = {
    {u"HKCR", reg::kClassesRoot},         {u"HKCU", reg::kCurrentUser},
    {u"HKLM", reg::kLocalMachine},        {u"HKU", reg::kUsers},
    {u"HKPD", reg::kPerformanceData},     {u"HKDD", reg::kDynData},
    {u"HKCC", reg::kCurrentConfig},       {u"HKEY_CLASSES_ROOT", reg::kClassesRoot},
    {u"HKEY_CURRENT_USER", reg::kCurrentUser}, {u"HKEY_LOCAL_MACHINE", reg::kLocalMachine},
    {u"HKEY_USERS", reg::kUsers},         {u"HKEY_PERFORMANCE_DATA", reg::kPerformanceData},
    {u"HKEY_DYN_DATA", reg::kDynData},    {u"HKEY_CURRENT_CONFIG", reg::kCurrentConfig},
};

// How many inputs got as far as the walk of a root block, and how many
// registered at least one; printed when the fuzzer ends.
struct Reach {
  unsigned long long inputs = 0;
  unsigned long long walked = 0;
  unsigned long long registered = 0;
};
Reach reach;

void PrintReach() {
  if (reach.inputs == 0) return;
  std::fprintf(stderr, "walk reached by %llu of %llu inputs (%.1f%%), a register pass succeeded for %llu (%.1f%%)\n",
               reach.walked, reach.inputs, 100.0 * reach.walked / reach.inputs, reach.registered,
               100.0 * reach.registered / reach.inputs);
}

struct PresetKey {
  std::string path;
  std::uint8_t mode;
};

struct SetUp {
  bool perUser = false;
  bool registerTwice = false;
  int failAllocation = 0;
  std::vector<PresetKey> keys;
  std::vector<std::pair<std::u16string, std::u16string>> replacements;
};

ClassesRoot Classes(bool perUser) { return perUser ? ClassesRoot::kUser : ClassesRoot::kAsNamed; }

std::string AsciiPath(const std::u16string& text) {
  std::string path;
  for (const char16_t c : text) {
    const char a = static_cast<char>(c & 0x7F);
    if (a >= 0x20 && !(a == '\\' && (path.empty() || path.back() == '\\'))) path += a;
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

SetUp ReadSetUp(FuzzInput& input) {
  SetUp setUp;
  const std::uint8_t switches = input.Byte();
  setUp.perUser = (switches & 1) != 0;
  setUp.registerTwice = (switches & 2) != 0;
  setUp.failAllocation = (switches & 4) != 0 ? input.Byte() % 8 + 1 : 0;
  static const char* const kRoots[] = {"HKCR", "HKCU", "HKLM", "HKCU\\Software\\Classes"};
  for (std::size_t n = input.Byte() % (kMaxPresetKeys + 1); n > 0; --n) {
    const std::uint8_t how = input.Byte();
    const std::string path = AsciiPath(input.Text(64));
    if (path.empty()) continue;
    setUp.keys.push_back({std::string(kRoots[how % 4]) + "\\" + path, static_cast<std::uint8_t>(how >> 2)});
  }
  for (std::size_t n = input.Byte() % (kMaxExtraReplacements + 1); n > 0; --n) {
    std::u16string name = input.Text(40);
    std::u16string text = input.Text(80);
    setUp.replacements.emplace_back(std::u16string(name.c_str()), std::u16string(text.c_str()));
  }
  return setUp;
}

void Prepare(ScriptHarness& h, const SetUp& setUp) {
  h.registry.recordCalls = false;
  FUZZ_REQUIRE(h.replacements.DefineReplacement(u"APPID", u"{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}") == hr::kOk);
  FUZZ_REQUIRE(h.replacements.DefineReplacement(u"Module", u"C:\\O''Brien\\m.dll") == hr::kOk);
  FUZZ_REQUIRE(h.replacements.DefineReplacement(u"Module_Raw", u"C:\\O'Brien\\m.dll") == hr::kOk);
  for (const auto& [name, text] : setUp.replacements) {
    FUZZ_REQUIRE(h.replacements.DefineReplacement(name.c_str(), text.c_str()) == hr::kOk);
  }
  for (const PresetKey& key : setUp.keys) {
    switch (key.mode % 5) {
      case 1: h.registry.SetString(key.path, "", "preset"); break;
      case 2: h.registry.AddKey(key.path), h.registry.DenyWrite(key.path); break;
      case 3: h.registry.DenyOpen(key.path); break;
      case 4: h.registry.AddKey(key.path), h.registry.FailClose(key.path); break;
      default: h.registry.AddKey(key.path); break;
    }
  }
}

void RequireClean(const ScriptHarness& h) {
  FUZZ_REQUIRE(h.registry.OpenHandles() == 0);
  FUZZ_REQUIRE(h.registry.badHandles == 0);
  FUZZ_REQUIRE(h.memory.live() == 0);
}

std::vector<std::string> Lines(const std::string& dump) {
  std::vector<std::string> lines;
  std::istringstream stream(dump);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

bool Mentions(const std::u16string& text, std::u16string_view word) {
  return Fold(text).find(Fold(word)) != std::u16string::npos;
}

// Registers text root block by root block with the walker itself, checking
// after each failed block that the registry is as before it.
HResult RegisterBlockByBlock(ScriptHarness& h, const char16_t* text, bool perUser, bool removalsMayStay,
                             bool& walked) {
  ScriptTextBuffer expanded(h.memory);
  RETURN_IF_FAILED(ScriptExpander(h.replacements, perUser).Expand(text, expanded));
  TokenScanner scanner(expanded.view());
  KeyWalker walker(scanner, h.services);
  TokenBuffer token;
  while (!scanner.AtEnd()) {
    RETURN_IF_FAILED(scanner.ReadToken(token));
    const RootName* root = std::find_if(std::begin(kRootNames), std::end(kRootNames), [&](const RootName& r) {
      return h.compare.EqualNoCase(token.data(), r.name);
    });
    if (root == std::end(kRootNames)) return hr::kDispException;
    RETURN_IF_FAILED(scanner.ReadToken(token));
    if (token[0] != u'{') return hr::kDispException;
    walked = true;
    const std::string before = h.registry.Dump();
    const HResult result = walker.Register(root->key, token);
    if (hr::Failed(result)) {
      const std::string after = h.registry.Dump();
      if (removalsMayStay) {
        // Nothing new and nothing changed; removed keys and values may stay gone.
        const std::vector<std::string> beforeLines = Lines(before);
        const std::set<std::string> earlier(beforeLines.begin(), beforeLines.end());
        for (const std::string& line : Lines(after)) FUZZ_REQUIRE(earlier.count(line) == 1);
      } else {
        FUZZ_REQUIRE(after == before);
      }
      return result;
    }
    scanner.SkipBlanks();
  }
  return hr::kOk;
}

// The names that follow a NoRemove keyword anywhere in the expanded script.
std::set<std::u16string> NoRemoveNames(ScriptHarness& h, const char16_t* text, bool perUser) {
  std::set<std::u16string> names;
  ScriptTextBuffer expanded(h.memory);
  if (hr::Failed(ScriptExpander(h.replacements, perUser).Expand(text, expanded))) return names;
  TokenScanner scanner(expanded.view());
  TokenBuffer token;
  bool named = false;
  while (!scanner.AtEnd() && hr::Succeeded(scanner.ReadToken(token))) {
    if (named) names.insert(Fold(token.data()));
    named = h.compare.EqualNoCase(token.data(), u"NoRemove");
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(PrintReach);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  const std::u16string script = input.Text(kMaxScript);
  const SetUp setUp = ReadSetUp(input);
  ++reach.inputs;
  // An exact-size copy: a read past the terminator shows under ASan.
  auto text = std::make_unique<char16_t[]>(script.size() + 1);
  std::copy(script.begin(), script.end(), text.get());
  text[script.size()] = u'\0';
  bool removalsMayStay = Mentions(script, u"ForceRemove") || Mentions(script, u"Delete");
  for (const auto& [name, value] : setUp.replacements) {
    removalsMayStay = removalsMayStay || Mentions(value, u"ForceRemove") || Mentions(value, u"Delete");
  }

  ScriptHarness whole;
  ScriptHarness byBlock;
  Prepare(whole, setUp);
  Prepare(byBlock, setUp);
  if (setUp.registerTwice) {
    RunScriptText(text.get(), true, whole.replacements, whole.services, Classes(setUp.perUser));
    RunScriptText(text.get(), true, byBlock.replacements, byBlock.services, Classes(setUp.perUser));
    RequireClean(whole);
  }
  FUZZ_REQUIRE(whole.registry.Dump() == byBlock.registry.Dump());
  whole.memory.failAt = setUp.failAllocation;
  byBlock.memory.failAt = setUp.failAllocation;

  const auto earlier = whole.registry.KeyPaths();
  const HResult registered = RunScriptText(text.get(), true, whole.replacements, whole.services, Classes(setUp.perUser));
  RequireClean(whole);
  bool walked = false;
  const HResult registeredByBlock =
      RegisterBlockByBlock(byBlock, text.get(), setUp.perUser, removalsMayStay, walked);
  RequireClean(byBlock);
  FUZZ_REQUIRE(registered == registeredByBlock);
  FUZZ_REQUIRE(whole.registry.Dump() == byBlock.registry.Dump());
  reach.walked += walked ? 1 : 0;
  if (hr::Failed(registered)) return 0;
  reach.registered += walked ? 1 : 0;

  const auto afterRegister = whole.registry.KeyPaths();
  whole.memory.failAt = 0;
  const HResult unregistered = RunScriptText(text.get(), false, whole.replacements, whole.services, Classes(setUp.perUser));
  RequireClean(whole);
  if (hr::Failed(unregistered)) return 0;

  using KeyPath = std::vector<std::u16string>;
  const std::set<KeyPath> left = whole.registry.KeyPaths();
  const std::set<std::u16string> kept = NoRemoveNames(whole, text.get(), setUp.perUser);
  for (const KeyPath& key : afterRegister) {
    if (earlier.count(key) || !left.count(key)) continue;
    const auto child = left.upper_bound(key);
    const bool holdsSubkeys = child != left.end() && child->size() > key.size() &&
                              std::equal(key.begin(), key.end(), child->begin());
    const std::u16string& name = key.back();
    FUZZ_REQUIRE(holdsSubkeys || kept.count(Fold(name)) || name.size() > kRememberedKeyNameLimit);
  }
  return 0;
}
