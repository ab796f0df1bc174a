#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "registrar/token_scanner.h"
#include "tests/native/registrar_fakes.h"
#include "tests/support/hresult_check.h"

namespace registrar_test {
namespace {

// Reads tokens until one fails; returns them and the failing result (a text
// that ends cleanly fails with kDispException at its end).
struct Scan {
  std::vector<std::string> tokens;
  HResult end = hr::kOk;
};

Scan ReadAll(const std::u16string& text) {
  // An exact-size copy, so a read past the end shows under ASan.
  auto exact = std::make_unique<char16_t[]>(text.size());
  std::copy(text.begin(), text.end(), exact.get());
  TokenScanner scanner(std::u16string_view(exact.get(), text.size()));
  Scan scan;
  auto buffer = std::make_unique<TokenBuffer>();
  for (;;) {
    buffer->fill(u'\xBDBD');
    scan.end = scanner.ReadToken(*buffer);
    if (hr::Failed(scan.end)) return scan;
    scan.tokens.push_back(Narrow(buffer->data()));
  }
}

struct TokenCase {
  std::u16string text;
  std::vector<std::string> tokens;
};

TEST(RegistrarTokenScanner, Tokens) {
  const TokenCase cases[] = {
      {u"", {}},
      {u" \t\r\n", {}},
      {u"a b\tc\r\nd", {"a", "b", "c", "d"}},
      {u"'It''s'", {"It's"}},
      {u"''", {""}},
      {u"'' x", {"", "x"}},
      {u"'abc'def", {"abc", "def"}},
      {u"''''", {"'"}},
      {u"'a b = { }'", {"a b = { }"}},
      {u"a{ }} =s", {"a{", "}}", "=s"}},
      {u"it's", {"it's"}},
      {u"a\vb\fc", {"a\\u000Bb\\u000Cc"}},
  };
  for (const TokenCase& c : cases) {
    const Scan scan = ReadAll(c.text);
    EXPECT_EQ(scan.tokens, c.tokens) << "text " << Narrow(c.text);
    EXPECT_HR(hr::kDispException, scan.end) << "text " << Narrow(c.text);
  }
}

TEST(RegistrarTokenScanner, UnterminatedQuotesFail) {
  for (const char16_t* text : {u"'", u"'abc", u"'a''", u"x 'y"}) {
    const Scan scan = ReadAll(text);
    EXPECT_HR(hr::kDispException, scan.end) << Narrow(text);
    EXPECT_LE(scan.tokens.size(), 1u) << Narrow(text);
  }
}

TEST(RegistrarTokenScanner, LengthLimit) {
  const std::u16string longest(kMaxTokenLength, u'k');
  const std::u16string tooLong(kMaxTokenLength + 1, u'k');
  const struct {
    const char* name;
    std::u16string text;
    std::size_t tokens;
  } cases[] = {
      {"4094 bare", longest + u" x", 2},
      {"4095 bare", tooLong + u" x", 0},
      {"4094 quoted", u"'" + longest + u"' x", 2},
      {"4095 quoted", u"'" + tooLong + u"' x", 0},
      {"4094 with doubled quote", u"'''" + std::u16string(kMaxTokenLength - 1, u'k') + u"'", 1},
  };
  for (const auto& c : cases) {
    const Scan scan = ReadAll(c.text);
    EXPECT_EQ(scan.tokens.size(), c.tokens) << c.name;
    if (c.tokens > 0) {
      EXPECT_EQ(scan.tokens[0].size(), kMaxTokenLength) << c.name;
    }
  }
}

TEST(RegistrarTokenScanner, SkipValueSpecStepsOverAnAssignmentOnly) {
  const struct {
    std::u16string text;
    const char16_t* first;
    HResult result;
    std::string after;
  } cases[] = {
      {u"= s 'v' next", u"=", hr::kOk, "next"},
      {u"=q 'v' next more", u"=q", hr::kOk, "more"},  // the type is the token behind
      {u"{ next", u"{", hr::kOk, "{"},
      {u"= s", u"=", hr::kDispException, ""},
      {u"= s 'v'", u"=", hr::kDispException, ""},
  };
  for (const auto& c : cases) {
    TokenScanner scanner(c.text);
    auto buffer = std::make_unique<TokenBuffer>();
    ASSERT_HR(hr::kOk, scanner.ReadToken(*buffer));
    ASSERT_EQ(std::u16string(buffer->data()), c.first);
    EXPECT_EQ(scanner.SkipValueSpec(*buffer), c.result) << Narrow(c.text);
    if (hr::Succeeded(c.result)) {
      EXPECT_EQ(Narrow(buffer->data()), c.after) << Narrow(c.text);
    }
  }
}

}  // namespace
}  // namespace registrar_test
