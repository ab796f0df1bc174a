#include "viewer/option_values.h"

#include <algorithm>
#include <array>
#include <limits>
#include <new>

#include "viewer/text_format.h"

namespace {

struct ShowCommand {
  const char16_t* name;
  std::int32_t value;
};

// Tried in this order; the aliases come after the name that reads back.
constexpr std::array<ShowCommand, 15> kShowCommandNames = {{
    {u"SW_HIDE", 0},
    {u"SW_SHOWNORMAL", 1},
    {u"SW_NORMAL", 1},
    {u"SW_SHOWMINIMIZED", 2},
    {u"SW_SHOWMAXIMIZED", 3},
    {u"SW_MAXIMIZE", 3},
    {u"SW_SHOWNOACTIVATE", 4},
    {u"SW_SHOW", 5},
    {u"SW_MINIMIZE", 6},
    {u"SW_SHOWMINNOACTIVE", 7},
    {u"SW_SHOWNA", 8},
    {u"SW_RESTORE", 9},
    {u"SW_SHOWDEFAULT", 10},
    {u"SW_FORCEMINIMIZE", 11},
    {u"SW_MAX", 11},
}};

// Indexed by value.
constexpr std::array<const char16_t*, 12> kShowCommandReadBack = {
    u"SW_HIDE",           u"SW_SHOWNORMAL",      u"SW_SHOWMINIMIZED", u"SW_SHOWMAXIMIZED",
    u"SW_SHOWNOACTIVATE", u"SW_SHOW",            u"SW_MINIMIZE",      u"SW_SHOWMINNOACTIVE",
    u"SW_SHOWNA",         u"SW_RESTORE",         u"SW_SHOWDEFAULT",   u"SW_FORCEMINIMIZE",
};

constexpr std::int32_t kFocusWaitDefaultMs = 2000;

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

// White space as the C locale's iswspace knows it.
bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

}  // namespace

bool ParseBoolText(std::u16string_view text) {
  return EqualsIgnoringAsciiCase(text, u"true") || EqualsIgnoringAsciiCase(text, u"yes") ||
         text == u"1";
}

const char16_t* BoolText(bool value) { return value ? u"true" : u"false"; }

std::int32_t ParseDecimal(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  // Accumulated as a magnitude that stops growing one past the 32-bit range.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    magnitude = std::min(magnitude * 10 + (text[i] - u'0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-magnitude);
  return static_cast<std::int32_t>(std::min(magnitude, kLimit - 1));
}

std::int32_t ParseShowFlag(std::u16string_view text) {
  for (const ShowCommand& command : kShowCommandNames) {
    if (EqualsIgnoringAsciiCase(text, command.name)) return command.value;
  }
  return ParseDecimal(text);
}

HResult ShowFlagName(std::int32_t value, std::u16string& name) {
  if (value < 0 || static_cast<std::size_t>(value) >= kShowCommandReadBack.size()) {
    return FormatToString(name, u"%d", {value});
  }
  try {
    name = kShowCommandReadBack[static_cast<std::size_t>(value)];
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  }
  return hr::kOk;
}

std::int32_t ParseFocusWait(std::u16string_view whole) {
  if (whole.empty()) return kFocusWaitDefaultMs;
  return ParseDecimal(whole.substr(0, whole.find(u'\0')));
}
