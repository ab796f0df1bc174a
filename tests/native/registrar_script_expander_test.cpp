#include <gtest/gtest.h>

#include <string>

#include "registrar/script_expander.h"
#include "registrar/script_text_buffer.h"
#include "tests/native/registrar_fakes.h"
#include "tests/support/hresult_check.h"

namespace registrar_test {
namespace {

constexpr HResult kNoResult = 1;

struct Expanded {
  HResult result = kNoResult;
  std::string text;
};

Expanded Expand(ScriptHarness& h, const std::u16string& input, bool perUser) {
  ScriptTextBuffer buffer(h.memory);
  Expanded out;
  out.result = ScriptExpander(h.replacements, perUser).Expand(input.c_str(), buffer);
  if (hr::Succeeded(out.result)) out.text = Narrow(buffer.view());
  return out;
}

void DefineStandard(ScriptHarness& h) {
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"APPID", u"{id-1}"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"Module", u"C:\\It''s\\m.dll"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"APPID", u"{id-2}"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"Nested", u"%APPID%"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(std::u16string(31, u'n').c_str(), u"31"));
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(std::u16string(32, u'n').c_str(), u"32"));
}

const std::string kOpen = "HKCU\\u000D\\u000A{\\u0009Software\\u000D\\u000A\\u0009{"
                          "\\u000D\\u000A\\u0009\\u0009Classes";
const std::string kClose = "\\u000D\\u000A\\u0009}\\u000D\\u000A}\\u000D\\u000A";

struct ExpansionCase {
  const char* name;
  std::u16string input;
  bool perUser;
  HResult result;
  std::string expected;
};

TEST(RegistrarScriptExpander, ReferencesAndPerUserRewrite) {
  const std::string n31(31, 'n');
  const std::string n32(32, 'n');
  const ExpansionCase cases[] = {
      {"doubled percent", u"a%%b%%", false, hr::kOk, "a%b%"},
      {"names ignore case", u"%Module%|%MODULE%", false, hr::kOk,
       "C:\\It''s\\m.dll|C:\\It''s\\m.dll"},
      {"first definition wins", u"'%appid%'", false, hr::kOk, "'{id-1}'"},
      {"text is not expanded again", u"%Nested%", false, hr::kOk, "%APPID%"},
      {"31-character name", Widen("%" + n31 + "%"), false, hr::kOk, "31"},
      {"32-character name", Widen("%" + n32 + "%"), false, hr::kFail, ""},
      {"unknown name", u"x %Other% y", false, hr::kDispException, ""},
      {"percent at the end", u"abc%", false, hr::kDispException, ""},
      {"no closing percent", u"%APPID", false, hr::kDispException, ""},
      {"empty text", u"", false, hr::kOk, ""},
      {"off: HKCR stays", u"HKCR { a }", false, hr::kOk, "HKCR { a }"},
      {"on: HKCR moves", u"HKCR { a }", true, hr::kOk, kOpen + " { a " + kClose + "}"},
      {"on: lower case stays", u"hkcr { a }", true, hr::kOk, "hkcr { a }"},
      {"on: long name stays", u"HKEY_CLASSES_ROOT { a }", true, hr::kOk,
       "HKEY_CLASSES_ROOT { a }"},
      {"on: only at depth 0", u"HKLM { HKCR { } }", true, hr::kOk, "HKLM { HKCR { } }"},
      {"on: quoted braces do not count", u"HKCR { 'x}' }", true, hr::kOk,
       kOpen + " { 'x}' " + kClose + "}"},
      {"on: doubled quote stays inside", u"HKCR { 'a''}' b }", true, hr::kOk,
       kOpen + " { 'a''}' b " + kClose + "}"},
      {"on: braces in a bare token count", u"HKCR { {5D}=s 'v' }", true, hr::kOk,
       kOpen + " { {5D}=s 'v' " + kClose + "}"},
      {"on: quote state does not matter", u"'HKCR'", true, hr::kOk, "'" + kOpen + "'"},
      {"on: every root block", u"HKCR{}HKCR{}", true, hr::kOk,
       kOpen + "{" + kClose + "}" + kOpen + "{" + kClose + "}"},
      {"on: HKCR ends the text", u"x HKCR", true, hr::kOk, "x " + kOpen},
      {"on: references still expand", u"HKCR { '%APPID%' }", true, hr::kOk,
       kOpen + " { '{id-1}' " + kClose + "}"},
  };
  for (const ExpansionCase& c : cases) {
    ScriptHarness h;
    DefineStandard(h);
    const Expanded got = Expand(h, c.input, c.perUser);
    EXPECT_EQ(got.result, c.result) << c.name << ": got 0x" << std::hex << got.result;
    EXPECT_EQ(got.text, c.expected) << c.name;
    EXPECT_EQ(h.memory.live(), 0u) << c.name;
  }
}

TEST(RegistrarScriptExpander, NullText) {
  ScriptHarness h;
  ScriptTextBuffer buffer(h.memory);
  EXPECT_HR(hr::kPointer, ScriptExpander(h.replacements, false).Expand(nullptr, buffer));
  EXPECT_TRUE(h.memory.requests.empty());
}

TEST(RegistrarScriptExpander, BufferStartsAtTwiceTheLengthAndDoubles) {
  ScriptHarness h;
  ASSERT_HR(hr::kOk, h.replacements.DefineReplacement(u"R", std::u16string(300, u'r').c_str()));
  // 3 characters: doubled below 100, so 1000 characters.
  EXPECT_HR(hr::kOk, Expand(h, u"abc", false).result);
  // 60 characters: 120, then 240, 480 for a 357-character result.
  EXPECT_HR(hr::kOk, Expand(h, u"%R%" + std::u16string(57, u'x'), false).result);
  const std::vector<std::string> expected = {"alloc 2000", "alloc 240", "realloc 960"};
  EXPECT_EQ(h.memory.requests, expected);
  EXPECT_EQ(h.memory.badFrees, 0);
}

TEST(RegistrarScriptExpander, FailedAllocationFreesEverything) {
  // Request 1 is the first block, request 2 the growth for the replacement.
  for (int failAt : {1, 2}) {
    ScriptHarness h;
    ASSERT_EQ(h.replacements.DefineReplacement(u"R", std::u16string(1000, u'r').c_str()),
              hr::kOk);
    h.memory.failAt = failAt;
    const Expanded got = Expand(h, u"%R%", false);
    EXPECT_HR(hr::kOutOfMemory, got.result) << "request " << failAt;
    EXPECT_EQ(got.text, "") << "request " << failAt;
    EXPECT_EQ(h.memory.live(), 0u) << "request " << failAt;
  }
}

TEST(RegistrarScriptExpander, CapacityLimit) {
  using B = ScriptTextBuffer;
  EXPECT_EQ(B::FirstCapacity(0), 1000u);
  EXPECT_EQ(B::FirstCapacity(49), 1000u);
  EXPECT_EQ(B::FirstCapacity(50), 100u);
  EXPECT_EQ(B::GrownCapacity(100, 99), std::optional<std::uint64_t>(100));
  EXPECT_EQ(B::GrownCapacity(100, 100), std::optional<std::uint64_t>(200));
  EXPECT_EQ(B::GrownCapacity(100, 401), std::optional<std::uint64_t>(800));
  EXPECT_EQ(B::GrownCapacity(std::uint64_t{1} << 30, std::uint64_t{1} << 30),
            std::optional<std::uint64_t>(std::uint64_t{1} << 31));
  EXPECT_EQ(B::GrownCapacity(std::uint64_t{1} << 31, std::uint64_t{1} << 31), std::nullopt);
  EXPECT_EQ(B::GrownCapacity((std::uint64_t{1} << 30) + 2, (std::uint64_t{1} << 30) + 2),
            std::nullopt);
  // A first capacity beyond the limit fails without asking for memory.
  TestMemory memory;
  B buffer(memory);
  EXPECT_HR(hr::kOutOfMemory, buffer.Start((std::uint64_t{1} << 30) + 1));
  EXPECT_TRUE(memory.requests.empty());
}

}  // namespace
}  // namespace registrar_test
