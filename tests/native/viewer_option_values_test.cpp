#include <gtest/gtest.h>

#include <string>

#include "tests/support/hresult_check.h"
#include "viewer/option_values.h"

namespace {

using namespace std::literals;

TEST(OptionValues, ParseBoolText) {
  const struct {
    std::u16string_view text;
    bool expected;
  } cases[] = {
      {u"true", true},   {u"TRUE", true},    {u"tRuE", true},   {u"yes", true},
      {u"Yes", true},    {u"1", true},       {u"", false},      {u"false", false},
      {u"no", false},    {u"on", false},     {u"0", false},     {u"01", false},
      {u" true", false}, {u"true ", false},  {u"y", false},     {u"\u0130rue", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseBoolText(c.text), c.expected) << testing::PrintToString(std::u16string(c.text));
  }
}

TEST(OptionValues, ParseShowFlag) {
  const struct {
    std::u16string_view text;
    std::int32_t expected;
  } cases[] = {
      {u"SW_HIDE", 0},           {u"sw_shownormal", 1},        {u"SW_NORMAL", 1},
      {u"SW_SHOWMINIMIZED", 2},  {u"SW_SHOWMAXIMIZED", 3},     {u"SW_MAXIMIZE", 3},
      {u"SW_SHOWNOACTIVATE", 4}, {u"SW_SHOW", 5},              {u"SW_MINIMIZE", 6},
      {u"SW_SHOWMINNOACTIVE", 7}, {u"SW_SHOWNA", 8},           {u"SW_RESTORE", 9},
      {u"SW_SHOWDEFAULT", 10},   {u"SW_FORCEMINIMIZE", 11},    {u"Sw_Max", 11},
      {u"SW_SHOW ", 0},          {u"normal", 0},               {u"", 0},
      {u"7", 7},                 {u"12", 12},                  {u"99", 99},
      {u"-3", -3},               {u"+4", 4},                   {u" \t\r\n\v\f5x", 5},
      {u"- 5", 0},               {u"2147483647", 2147483647},  {u"2147483648", INT32_MAX},
      {u"99999999999999999999", INT32_MAX}, {u"-2147483648", INT32_MIN},
      {u"-2147483649", INT32_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseShowFlag(c.text), c.expected) << testing::PrintToString(std::u16string(c.text));
  }
}

TEST(OptionValues, ShowFlagName) {
  const struct {
    std::int32_t value;
    std::u16string expected;
  } cases[] = {
      {0, u"SW_HIDE"},           {1, u"SW_SHOWNORMAL"},      {2, u"SW_SHOWMINIMIZED"},
      {3, u"SW_SHOWMAXIMIZED"},  {4, u"SW_SHOWNOACTIVATE"},  {5, u"SW_SHOW"},
      {6, u"SW_MINIMIZE"},       {7, u"SW_SHOWMINNOACTIVE"}, {8, u"SW_SHOWNA"},
      {9, u"SW_RESTORE"},        {10, u"SW_SHOWDEFAULT"},    {11, u"SW_FORCEMINIMIZE"},
      {12, u"12"},               {-1, u"-1"},                {INT32_MIN, u"-2147483648"},
  };
  for (const auto& c : cases) {
    std::u16string name = u"old";
    EXPECT_HR(hr::kOk, ShowFlagName(c.value, name)) << c.value;
    EXPECT_EQ(name, c.expected) << c.value;
  }
}

TEST(OptionValues, ParseFocusWait) {
  const struct {
    std::u16string_view whole;
    std::int32_t expected;
  } cases[] = {
      {u"", 2000},      {u"1500ms", 1500}, {u"abc", 0},  {u" 250", 250},
      {u"-5", -5},      {u"0", 0},         {u"\0"sv, 0}, {u"12\0" u"34"sv, 12},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseFocusWait(c.whole), c.expected) << testing::PrintToString(std::u16string(c.whole));
  }
}

}  // namespace
