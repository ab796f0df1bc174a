#include <gtest/gtest.h>

#include <string>

#include "registrar/replacement_table.h"
#include "tests/native/registrar_fakes.h"
#include "tests/support/hresult_check.h"

namespace registrar_test {
namespace {

// The text found for name, or "<none>".
std::string Lookup(const ReplacementTable& table, const char16_t* name) {
  std::string found = "<none>";
  table.FindReplacement(name, [&](std::u16string_view text) { found = Narrow(text); });
  return found;
}

TEST(RegistrarReplacementTable, FirstDefinitionWinsWhateverTheCase) {
  ScriptHarness h;
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"APPID", u"{first}"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"appid", u"{second}"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"Module", u"C:\\m.dll"));
  EXPECT_EQ(h.replacements.size(), 3u) << "duplicates are kept as entries";
  EXPECT_EQ(Lookup(h.replacements, u"AppId"), "{first}");
  EXPECT_EQ(Lookup(h.replacements, u"MODULE"), "C:\\m.dll");
  EXPECT_EQ(Lookup(h.replacements, u"Modul"), "<none>");
  EXPECT_EQ(Lookup(h.replacements, u""), "<none>");
}

TEST(RegistrarReplacementTable, NullNameOrTextIsRefusedAndAddsNothing) {
  ScriptHarness h;
  EXPECT_HR(hr::kInvalidArg, h.replacements.DefineReplacement(nullptr, u"x"));
  EXPECT_HR(hr::kInvalidArg, h.replacements.DefineReplacement(u"x", nullptr));
  EXPECT_EQ(h.replacements.size(), 0u);
  EXPECT_EQ(Lookup(h.replacements, u"x"), "<none>");
}

TEST(RegistrarReplacementTable, ResetForgetsEverythingAndStartsFresh) {
  ScriptHarness h;
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"A", u"old"));
  EXPECT_HR(hr::kOk, h.replacements.ResetReplacements());
  EXPECT_EQ(Lookup(h.replacements, u"A"), "<none>");
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"a", u"new"));
  EXPECT_EQ(Lookup(h.replacements, u"A"), "new");
  EXPECT_EQ(h.replacements.size(), 1u);
}

TEST(RegistrarReplacementTable, TextIsHandedOverWhileTheLockIsHeld) {
  ScriptHarness h;
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"A", u"text"));
  bool heldDuringUse = false;
  const bool found = h.replacements.FindReplacement(
      u"a", [&](std::u16string_view) { heldDuringUse = h.lock.held(); });
  EXPECT_TRUE(found);
  EXPECT_TRUE(heldDuringUse);
  EXPECT_FALSE(h.lock.held()) << "the lock is given back after the lookup";
}

}  // namespace
}  // namespace registrar_test
