#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "registrar/run_script_text.h"
#include "tests/native/registrar_fakes.h"
#include "tests/native/registrar_module_scripts.h"
#include "tests/support/hresult_check.h"

namespace registrar_test {
namespace {

constexpr unsigned kSeed = 20240607;
constexpr int kMutations = 2000;

// Runs text from an exact-size heap copy, so a read past its NUL shows under
// ASan, and checks that nothing is left open or allocated.
void RunChecked(ScriptHarness& h, const std::u16string& text, bool doRegister, bool perUser) {
  auto exact = std::make_unique<char16_t[]>(text.size() + 1);
  std::copy(text.begin(), text.end(), exact.get());
  exact[text.size()] = u'\0';
  RunScriptText(exact.get(), doRegister, h.replacements, h.services, perUser ? ClassesRoot::kUser : ClassesRoot::kAsNamed);
  ASSERT_EQ(h.registry.OpenHandles(), 0) << Narrow(text);
  ASSERT_EQ(h.registry.badHandles, 0) << Narrow(text);
  ASSERT_EQ(h.memory.live(), 0u) << Narrow(text);
}

// Registers and unregisters the variant, into an empty registry or, when
// overOriginal, over the registration of the original script.
void RunVariant(const std::u16string& original, const std::u16string& variant, bool perUser,
                bool overOriginal) {
  ScriptHarness h;
  h.registry.recordCalls = false;
  ASSERT_EQ(h.replacements.DefineReplacement(u"APPID", u"{3f8a6c20-9d41-4b7e-a5c2-71e0d94b6a18}"),
            hr::kOk);
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"Module", u"C:\\O''Brien\\m.dll"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"Module_Raw", u"C:\\O''Brien\\m.dll"));
  if (overOriginal) RunChecked(h, original, true, perUser);
  RunChecked(h, variant, true, perUser);
  RunChecked(h, variant, false, perUser);
}

TEST(RegistrarScriptFuzz, TruncatedScriptsStayInBounds) {
  for (const std::u16string script : {kAppIdScript, kClassScript}) {
    for (std::size_t length = 0; length <= script.size(); ++length) {
      RunVariant(script, script.substr(0, length), length % 2 == 0, length % 4 < 2);
      if (HasFatalFailure()) return;
    }
  }
}

TEST(RegistrarScriptFuzz, MutatedScriptsStayInBounds) {
  const std::u16string scripts[] = {kAppIdScript, kClassScript};
  const std::u16string characters = u"{}'= \t\r\n%\\0aBDMSsvx";
  const std::u16string pieces[] = {u"Val ", u"NoRemove ", u"ForceRemove ", u"Delete ",
                                   u"HKCR ", u"%MODULE%", u"%%", u"''", u" { ", u" } ",
                                   u"= s ", u"= m 'a\\0b' ", u"= d 12 ", u"= b 0aF ",
                                   u"%APPID", u"%unknown%", u"CLSID "};
  std::mt19937 random(kSeed);
  auto pick = [&](std::size_t count) {
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
  };
  for (int i = 0; i < kMutations; ++i) {
    const std::u16string& original = scripts[pick(2)];
    std::u16string variant = original;
    const std::size_t edits = 1 + pick(4);
    for (std::size_t e = 0; e < edits; ++e) {
      const std::size_t at = pick(variant.size() + 1);
      switch (pick(4)) {
        case 0:
          if (at < variant.size()) variant[at] = characters[pick(characters.size())];
          break;
        case 1:
          variant.insert(at, 1, characters[pick(characters.size())]);
          break;
        case 2:
          if (at < variant.size()) variant.erase(at, 1 + pick(8));
          break;
        default:
          variant.insert(at, pieces[pick(std::size(pieces))]);
          break;
      }
    }
    RunVariant(original, variant, i % 2 == 0, i % 4 < 2);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace registrar_test
