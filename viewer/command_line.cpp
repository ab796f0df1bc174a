#include "viewer/command_line.h"

#include <algorithm>

#include "viewer/start_command.h"

namespace {

constexpr std::u16string_view kPlaceholder = u"{0}";

}  // namespace

std::u16string ComposeLaunchText(std::u16string_view customCommand, bool useStartCmd,
                                 std::u16string_view url) {
  std::u16string text;
  if (customCommand.empty()) {
    const std::u16string_view prefix = useStartCmd ? kStartCommandShownPrefix : u"";
    text.reserve(prefix.size() + url.size());
    text += prefix;
    text += url;
    return text;
  }
  // Sized first, so that the text is written once into its final size.
  std::size_t size = customCommand.size();
  for (std::size_t at = customCommand.find(kPlaceholder); at != std::u16string_view::npos;
       at = customCommand.find(kPlaceholder, at + kPlaceholder.size())) {
    size = size - kPlaceholder.size() + url.size();
  }
  text.reserve(size);
  std::size_t from = 0;
  for (std::size_t at = customCommand.find(kPlaceholder); at != std::u16string_view::npos;
       at = customCommand.find(kPlaceholder, from)) {
    text += customCommand.substr(from, at - from);
    text += url;
    from = at + kPlaceholder.size();
  }
  text += customCommand.substr(from);
  return text;
}

bool CommandLineBuffer::Fill(std::u16string_view text) {
  const bool fits = text.size() < kCapacity;
  std::size_t length = std::min(text.size(), kCapacity - 1);
  if (!fits && length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
  std::copy_n(text.data(), length, chars_.data());
  chars_[length] = u'\0';
  return fits;
}
