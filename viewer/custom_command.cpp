#include "viewer/custom_command.h"

#include <limits>
#include <vector>

#include "viewer/url_escape.h"

std::u16string ResolveCustomCommand(ViewerPlatform& platform,
                                    const std::optional<std::u16string>& stored) {
  if (!stored.has_value() || stored->empty()) return {};
  // Escapes go first: a "%" meant for a variable reference comes through as
  // %25, or as the whole stored text when unescaping fails.
  std::u16string text = UnescapeUrl(platform, *stored);
  if (text.empty() || text.find(u'%') == std::u16string::npos) return text;

  const std::uint32_t needed = platform.ExpandEnvironment(text.c_str(), nullptr, 0);
  if (needed == 0 || needed == std::numeric_limits<std::uint32_t>::max()) return {};
  // One more than asked for, so the text is terminated whatever the second
  // call leaves in the area.
  std::vector<char16_t> area(std::size_t{needed} + 1, u'\0');
  platform.ExpandEnvironment(text.c_str(), area.data(), needed);
  return std::u16string(area.data());
}
