#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/native/viewer_fake_platform.h"
#include "viewer/user_name.h"

namespace {

using NameAnswer = FakeViewerPlatform::NameAnswer;

const std::u16string kPrincipalFailed =
    u"Unable to get NameUserPrincipal, trying NameSamCompatible (Error: %1)\r\n";
const std::u16string kSamFailed = u"Unable to get NameSamCompatible, trying normal Name (Error: %1)\r\n";
const std::u16string kNoName = u"Unable to get any name, will use empty (Error: %1)\r\n";

std::u16string With(std::u16string line, std::u16string_view code) {
  return line.replace(line.find(u"%1"), 2, code);
}

TEST(QueryCurrentUserName, FallbackTable) {
  const NameAnswer kUpn{true, u"jdoe@corp.example", 0};
  const NameAnswer kSam{true, u"CORP\\jdoe", 0};
  const NameAnswer kLogon{true, u"jdoe", 0};
  const auto fails = [](std::uint32_t code) { return NameAnswer{false, u"", code}; };
  const struct {
    const char* name;
    NameAnswer principal, sam, logon;
    std::u16string expected;
    std::vector<std::u16string> traces;
    std::vector<std::uint32_t> formats;
  } cases[] = {
      {"principal", kUpn, kSam, kLogon, u"jdoe@corp.example", {}, {8}},
      {"other error first", fails(5), kSam, kLogon, u"", {With(kNoName, u"5")}, {8}},
      {"no domain, then sam", fails(1355), kSam, kLogon, u"CORP\\jdoe",
       {With(kPrincipalFailed, u"1355")}, {8, 2}},
      {"none mapped, then sam", fails(1332), kSam, kLogon, u"CORP\\jdoe",
       {With(kPrincipalFailed, u"1332")}, {8, 2}},
      {"sam fails otherwise", fails(1355), fails(87), kLogon, u"",
       {With(kPrincipalFailed, u"1355"), With(kSamFailed, u"87"), With(kNoName, u"87")}, {8, 2}},
      {"logon name", fails(1355), fails(1355), kLogon, u"jdoe",
       {With(kPrincipalFailed, u"1355"), With(kSamFailed, u"1355")}, {8, 2, 0}},
      {"logon name after 1332", fails(1332), fails(1332), kLogon, u"jdoe",
       {With(kPrincipalFailed, u"1332"), With(kSamFailed, u"1332")}, {8, 2, 0}},
      {"all fail", fails(1355), fails(1355), fails(1326), u"",
       {With(kPrincipalFailed, u"1355"), With(kSamFailed, u"1355"), With(kNoName, u"1326")},
       {8, 2, 0}},
      {"name of 350 characters", {true, std::u16string(350, u'n'), 0}, kSam, kLogon, u"",
       {With(kNoName, u"122")}, {8}},
      {"name of 349 characters", {true, std::u16string(349, u'n'), 0}, kSam, kLogon,
       std::u16string(349, u'n'), {}, {8}},
  };
  for (const auto& c : cases) {
    FakeViewerPlatform platform;
    platform.principalName = c.principal;
    platform.samCompatibleName = c.sam;
    platform.logonName = c.logon;
    EXPECT_EQ(QueryCurrentUserName(platform), c.expected) << c.name;
    EXPECT_EQ(platform.Messages(), c.traces) << c.name;
    EXPECT_EQ(platform.nameFormats, c.formats) << c.name;
    EXPECT_EQ(platform.nameSizes, std::vector<std::uint32_t>(c.formats.size(), 350)) << c.name;
  }
}

}  // namespace
