#include "viewer/start_command.h"

#include "viewer/text_format.h"

namespace {

char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

// An entry's name ends at the first "=" after its first character: the
// hidden per-drive entries are named like "=C:".
std::u16string_view EntryName(std::u16string_view entry) {
  const std::size_t equals = entry.find(u'=', 1);
  return entry.substr(0, equals);
}

// The order of an environment block: by name, letter case aside.
int CompareNames(std::u16string_view a, std::u16string_view b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const char16_t x = UpperAscii(a[i]);
    const char16_t y = UpperAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::u16string CommandInterpreterPath(std::u16string_view systemDirectory) {
  std::u16string path(systemDirectory);
  if (path.empty() || path.back() != u'\\') path += u'\\';
  path += u"cmd.exe";
  return path;
}

std::u16string StartCommandEnvironment(std::u16string_view callerBlock, std::u16string_view url) {
  const std::u16string_view name = kStartUrlVariable;
  std::u16string block;
  bool placed = false;
  const auto place = [&] {
    block.append(name).append(u"=").append(url).push_back(u'\0');
    placed = true;
  };
  while (!callerBlock.empty()) {
    const std::size_t end = callerBlock.find(u'\0');
    const std::u16string_view entry = callerBlock.substr(0, end);
    callerBlock.remove_prefix(end == std::u16string_view::npos ? callerBlock.size() : end + 1);
    if (entry.empty()) continue;
    const int order = CompareNames(EntryName(entry), name);
    if (order == 0) continue;
    if (order > 0 && !placed) place();
    block.append(entry).push_back(u'\0');
  }
  if (!placed) place();
  block.push_back(u'\0');
  return block;
}

bool PrepareStartCommand(ViewerPlatform& platform, std::u16string_view url, StartCommandLaunch& launch,
                         std::uint32_t& error) {
  std::u16string systemDirectory;
  if (!platform.SystemDirectory(systemDirectory, error)) return false;
  launch.applicationName = CommandInterpreterPath(systemDirectory);
  launch.commandLine = kStartCommandLine;
  launch.environment = StartCommandEnvironment(platform.EnvironmentStrings(), url);
  return true;
}

HResult StartCommandFailureText(std::uint32_t exitCode, std::u16string& text) {
  // A code with the top bit set is an exception that ended cmd (0xc0000005).
  const auto asSigned = static_cast<std::int32_t>(exitCode);
  return asSigned < 0 ? FormatToString(text, u"START failed: cmd ended with exit code 0x%x", {exitCode})
                      : FormatToString(text, u"START failed: cmd ended with exit code %i", {asSigned});
}
