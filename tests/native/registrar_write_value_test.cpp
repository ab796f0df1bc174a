#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "registrar/reg_script_parser.h"
#include "tests/native/registrar_fakes.h"

namespace registrar_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct ValueCase {
  std::u16string input;  // the type and value tokens, then one more token
  HResult result;
  RegValueType type;
  Bytes data;
};

// Writes input as the default value of HKCR\v; returns the result, the value
// (if one was written) and the token left in the buffer.
struct Written {
  HResult result;
  std::optional<FakeValue> value;
  std::string next;
};

Written Write(ScriptHarness& h, const std::u16string& input, RegAccess access) {
  h.registry.AddKey("HKCR\\v");
  RegKeyHandle key(h.registry);
  EXPECT_EQ(key.Open(reg::kClassesRoot, u"v", access), reg::kSuccess);
  CRegScriptParser parser(h.replacements, h.services, false);
  parser.StartAt(input);
  auto buffer = std::make_unique<TokenBuffer>();
  Written out;
  out.result = parser.WriteValue(key.get(), nullptr, *buffer);
  out.value = h.registry.GetValue("HKCR\\v", "");
  out.next = Narrow(buffer->data());
  return out;
}

std::string Hex(const Bytes& bytes) {
  std::string out;
  for (std::uint8_t b : bytes) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02X ", b);
    out += hex;
  }
  return out;
}

TEST(RegistrarWriteValue, TypesAndExactBytes) {
  const ValueCase cases[] = {
      {u"S '' n", hr::kOk, reg::kTypeSz, {0, 0}},
      {u"s 'ab' n", hr::kOk, reg::kTypeSz, {'a', 0, 'b', 0, 0, 0}},
      {u"S 'It''s' n", hr::kOk, reg::kTypeSz, {'I', 0, 't', 0, '\'', 0, 's', 0, 0, 0}},
      {u"M 'a\\0b' n", hr::kOk, reg::kTypeMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {u"m 'a\\0\\0b' n", hr::kOk, reg::kTypeMultiSz, {'a', 0, 0, 0, 0, 0}},
      {u"M '' n", hr::kOk, reg::kTypeMultiSz, {0, 0}},
      {u"M 'a\\b\\' n", hr::kOk, reg::kTypeMultiSz,
       {'a', 0, '\\', 0, 'b', 0, '\\', 0, 0, 0, 0, 0}},
      {u"M 'a\\0' n", hr::kOk, reg::kTypeMultiSz, {'a', 0, 0, 0, 0, 0}},
      {u"D 4294967295 n", hr::kOk, reg::kTypeDword, {0xFF, 0xFF, 0xFF, 0xFF}},
      {u"d '305419896' n", hr::kOk, reg::kTypeDword, {0x78, 0x56, 0x34, 0x12}},
      {u"D 0 n", hr::kOk, reg::kTypeDword, {0, 0, 0, 0}},
      {u"D 4294967296 n", kOverflow, 0, {}},
      {u"D -1 n", kTypeMismatch, 0, {}},
      {u"D '' n", kTypeMismatch, 0, {}},
      {u"B 0aFf n", hr::kOk, reg::kTypeBinary, {0x0A, 0xFF}},
      {u"b 0g n", hr::kOk, reg::kTypeBinary, {0x00}},
      {u"B 9Z1c n", hr::kOk, reg::kTypeBinary, {0x90, 0x1C}},
      {u"B '' n", hr::kOk, reg::kTypeBinary, {}},
      {u"B abc n", hr::kFail, 0, {}},
      {u"X 'a' n", hr::kDispException, 0, {}},
      {u"SZ 'a' n", hr::kDispException, 0, {}},
      {u"S", hr::kDispException, 0, {}},
      {u"S 'a'", hr::kDispException, reg::kTypeSz, {'a', 0, 0, 0}},  // written, no next token
  };
  for (const ValueCase& c : cases) {
    ScriptHarness h;
    const Written got = Write(h, c.input, reg::kKeyReadWrite);
    EXPECT_EQ(got.result, c.result) << Narrow(c.input) << ": got 0x" << std::hex << got.result;
    if (c.type == 0) {
      EXPECT_FALSE(got.value.has_value()) << Narrow(c.input) << ": nothing may be written";
      continue;
    }
    ASSERT_TRUE(got.value.has_value()) << Narrow(c.input);
    EXPECT_EQ(got.value->type, c.type) << Narrow(c.input);
    EXPECT_EQ(Hex(got.value->data), Hex(c.data)) << Narrow(c.input);
    if (c.result == hr::kOk) {
      EXPECT_EQ(got.next, "n") << Narrow(c.input);
    }
  }
}

TEST(RegistrarWriteValue, LongestTexts) {
  // A 4094-character multi-string and binary text fit their work buffers.
  ScriptHarness h;
  const Written multi = Write(h, u"M '" + std::u16string(kMaxTokenLength, u'x') + u"' n",
                              reg::kKeyReadWrite);
  ASSERT_EQ(multi.result, hr::kOk);
  EXPECT_EQ(multi.value->data.size(), (kMaxTokenLength + 2) * 2);
  const Written binary = Write(h, u"B " + std::u16string(kMaxTokenLength, u'f') + u" n",
                               reg::kKeyReadWrite);
  ASSERT_EQ(binary.result, hr::kOk);
  EXPECT_EQ(binary.value->data, Bytes(kMaxTokenLength / 2, 0xFF));
}

TEST(RegistrarWriteValue, RegistryErrorBecomesHResult) {
  ScriptHarness h;
  const Written got = Write(h, u"S 'a' n", reg::kKeyRead);
  EXPECT_EQ(got.result, hr::FromWin32(reg::kAccessDenied)) << std::hex << got.result;
  EXPECT_FALSE(got.value.has_value());
}

}  // namespace
}  // namespace registrar_test
