#include "viewer/trace.h"

#include <algorithm>
#include <array>
#include <new>
#include <string>

namespace {

constexpr std::size_t kTraceLineCapacity = 2048;  // characters, terminator included
constexpr char16_t kTracePrefix[] = u": (TID=%4lu): Vexdor.ZevEvov : ";

constexpr char16_t kNoSystemText[] = u"<not found>";

}  // namespace

void Trace(ViewerPlatform& platform, const char16_t* format, FormatArgs args) {
  std::array<char16_t, kTraceLineCapacity> line;
  FormatToBuffer(line.data(), line.size(), kTracePrefix, {platform.CurrentThreadId()});
  const std::size_t prefixLength = std::char_traits<char16_t>::length(line.data());
  // A cut or rejected message still goes out with what was formatted of it.
  FormatToBuffer(line.data() + prefixLength, line.size() - prefixLength, format, args);
  platform.WriteDebugOutput(line.data());
}

HResult SystemErrorText(ViewerPlatform& platform, std::uint32_t code, std::u16string& text) {
  try {
    std::u16string systemText;
    const char16_t* message =
        platform.SystemMessageText(code, systemText) ? systemText.c_str() : kNoSystemText;
    std::u16string result;
    const auto asSigned = static_cast<std::int32_t>(code);
    RETURN_IF_FAILED(asSigned < 0 ? FormatToString(result, u"SystemError: 0x%x %s", {code, message})
                                  : FormatToString(result, u"SystemError: %i %s", {asSigned, message}));
    std::replace(result.begin(), result.end(), u'\r', u' ');
    std::replace(result.begin(), result.end(), u'\n', u' ');
    text.swap(result);
    return hr::kOk;
  } catch (const std::bad_alloc&) {
    return hr::kOutOfMemory;
  }
}
