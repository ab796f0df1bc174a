#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/hresult_check.h"
#include "registrar/reg_key_handle.h"
#include "registrar/token_scanner.h"
#include "registrar/value_writer.h"
#include "tests/native/registrar_fakes.h"

namespace registrar_test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Writes text as the default value of HKCR\v, through a handle opened with
// access; returns the result and the value, if one was written.
struct Written {
  HResult result;
  std::optional<FakeValue> value;
};

Written Write(ScriptHarness& h, const char16_t* type, const std::u16string& text,
              RegAccess access) {
  h.registry.AddKey("HKCR\\v");
  RegKeyHandle key(h.registry);
  EXPECT_EQ(key.Open(reg::kClassesRoot, u"v", access), reg::kSuccess);
  const ValueWriter writer(h.registry, h.compare, h.numbers);
  Written out;
  out.result = writer.Write(key.get(), nullptr, type, text.c_str());
  out.value = h.registry.GetValue("HKCR\\v", "");
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

TEST(RegistrarValueWriter, TypesAndExactBytes) {
  const struct {
    const char16_t* type;
    std::u16string text;
    HResult result;
    RegValueType stored;  // 0: nothing may be written
    Bytes data;
  } cases[] = {
      {u"S", u"", hr::kOk, reg::kTypeSz, {0, 0}},
      {u"s", u"ab", hr::kOk, reg::kTypeSz, {'a', 0, 'b', 0, 0, 0}},
      {u"S", u"It's", hr::kOk, reg::kTypeSz, {'I', 0, 't', 0, '\'', 0, 's', 0, 0, 0}},
      {u"M", u"a\\0b", hr::kOk, reg::kTypeMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}},
      {u"m", u"a\\0\\0b", hr::kOk, reg::kTypeMultiSz, {'a', 0, 0, 0, 0, 0}},
      {u"M", u"", hr::kOk, reg::kTypeMultiSz, {0, 0}},
      {u"M", u"a\\b\\", hr::kOk, reg::kTypeMultiSz,
       {'a', 0, '\\', 0, 'b', 0, '\\', 0, 0, 0, 0, 0}},
      {u"M", u"a\\0", hr::kOk, reg::kTypeMultiSz, {'a', 0, 0, 0, 0, 0}},
      {u"D", u"4294967295", hr::kOk, reg::kTypeDword, {0xFF, 0xFF, 0xFF, 0xFF}},
      {u"d", u"305419896", hr::kOk, reg::kTypeDword, {0x78, 0x56, 0x34, 0x12}},
      {u"D", u"0", hr::kOk, reg::kTypeDword, {0, 0, 0, 0}},
      {u"D", u"4294967296", kOverflow, 0, {}},
      {u"D", u"-1", kTypeMismatch, 0, {}},
      {u"D", u"", kTypeMismatch, 0, {}},
      {u"B", u"0aFf", hr::kOk, reg::kTypeBinary, {0x0A, 0xFF}},
      {u"b", u"0g", hr::kOk, reg::kTypeBinary, {0x00}},
      {u"B", u"9Z1c", hr::kOk, reg::kTypeBinary, {0x90, 0x1C}},
      {u"B", u"", hr::kOk, reg::kTypeBinary, {}},
      {u"B", u"abc", hr::kFail, 0, {}},
      {u"X", u"a", hr::kDispException, 0, {}},
      {u"SZ", u"a", hr::kDispException, 0, {}},
      {u"", u"a", hr::kDispException, 0, {}},
      // The longest texts a token can hold fit the work buffers.
      {u"M", std::u16string(kMaxTokenLength, u'x'), hr::kOk, reg::kTypeMultiSz,
       [] {
         Bytes data;
         for (std::size_t i = 0; i < kMaxTokenLength; ++i) data.insert(data.end(), {'x', 0});
         data.insert(data.end(), {0, 0, 0, 0});
         return data;
       }()},
      {u"B", std::u16string(kMaxTokenLength, u'f'), hr::kOk, reg::kTypeBinary,
       Bytes(kMaxTokenLength / 2, 0xFF)},
  };
  for (const auto& c : cases) {
    ScriptHarness h;
    const std::string name = Narrow(c.type) + " '" + Narrow(c.text).substr(0, 20) + "'";
    const Written got = Write(h, c.type, c.text, reg::kKeyReadWrite);
    EXPECT_EQ(got.result, c.result) << name << ": got 0x";
    if (c.stored == 0) {
      EXPECT_FALSE(got.value.has_value()) << name << ": nothing may be written";
      continue;
    }
    ASSERT_TRUE(got.value.has_value()) << name;
    EXPECT_EQ(got.value->type, c.stored) << name;
    EXPECT_EQ(Hex(got.value->data), Hex(c.data)) << name;
  }
}

TEST(RegistrarValueWriter, RegistryErrorBecomesHResult) {
  ScriptHarness h;
  const Written got = Write(h, u"S", u"a", reg::kKeyRead);
  EXPECT_HR(hr::FromWin32(reg::kAccessDenied), got.result);
  EXPECT_FALSE(got.value.has_value());
}

}  // namespace
}  // namespace registrar_test
