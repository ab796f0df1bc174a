#include "viewer/user_name.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "viewer/trace.h"

namespace {

constexpr std::uint32_t kNameAreaSize = 350;  // characters, terminator included

// EXTENDED_NAME_FORMAT values.
constexpr std::uint32_t kNameUserPrincipal = 8;
constexpr std::uint32_t kNameSamCompatible = 2;

constexpr std::uint32_t kErrorNoSuchDomain = 1355;
// An account outside a domain has no principal name; the platform says so
// with this code, and the other forms are still worth a try.
constexpr std::uint32_t kErrorNoneMapped = 1332;

using NameArea = std::array<char16_t, kNameAreaSize>;

bool TryNextForm(std::uint32_t error) {
  return error == kErrorNoSuchDomain || error == kErrorNoneMapped;
}

// The first count characters of the area, never more than it holds.
std::u16string Counted(const NameArea& area, std::uint32_t count) {
  return std::u16string(area.data(), std::min(count, kNameAreaSize));
}

// The text in the area up to its terminator, never past the area.
std::u16string Terminated(const NameArea& area) {
  const std::u16string_view whole(area.data(), area.size());
  return std::u16string(whole.substr(0, whole.find(u'\0')));
}

std::int32_t AsCode(std::uint32_t error) { return static_cast<std::int32_t>(error); }

}  // namespace

std::u16string QueryCurrentUserName(ViewerPlatform& platform) {
  NameArea area{};
  std::uint32_t size = kNameAreaSize;
  if (platform.UserNameEx(kNameUserPrincipal, area.data(), size)) return Counted(area, size);
  std::uint32_t error = platform.LastError();

  if (TryNextForm(error)) {
    Trace(platform, u"Unable to get NameUserPrincipal, trying NameSamCompatible (Error: %i)\r\n",
          {AsCode(error)});
    size = kNameAreaSize;
    if (platform.UserNameEx(kNameSamCompatible, area.data(), size)) return Counted(area, size);
    error = platform.LastError();
    Trace(platform, u"Unable to get NameSamCompatible, trying normal Name (Error: %i)\r\n",
          {AsCode(error)});

    if (TryNextForm(error)) {
      size = kNameAreaSize;
      if (platform.LogonUserName(area.data(), size)) return Terminated(area);
      error = platform.LastError();
    }
  }
  Trace(platform, u"Unable to get any name, will use empty (Error: %i)\r\n", {AsCode(error)});
  return {};
}
