#include "registrar/script_expander.h"

#include <array>
#include <cstddef>

#include "registrar/bounded_writer.h"

namespace registrar {
namespace {

constexpr char16_t kPercent = u'%';
constexpr char16_t kQuote = u'\'';
// Longest name between two percent signs.
constexpr std::size_t kMaxReplacementNameLength = 31;
constexpr std::u16string_view kClassesRoot = u"HKCR";
// Opens HKCU { Software { Classes in place of HKCR ...
constexpr std::u16string_view kPerUserOpen = u"HKCU\r\n{\tSoftware\r\n\t{\r\n\t\tClasses";
// ... and closes the two inserted levels before the root block's own "}".
constexpr std::u16string_view kPerUserClose = u"\r\n\t}\r\n}\r\n";
static_assert(kPerUserOpen.size() == 31 && kPerUserClose.size() == 9);

}  // namespace

HResult ScriptExpander::Expand(const char16_t* text, ScriptTextBuffer& out) const {
  if (text == nullptr) return hr::kPointer;
  const std::u16string_view input(text);
  RETURN_IF_FAILED(out.Start(input.size()));
  // Brace depth and quote state matter only to the per-user rewrite.
  const bool perUser = perUserRegistration_;
  long long depth = 0;
  bool inQuotes = false;
  bool rewriteOpen = false;
  std::size_t i = 0;
  while (i < input.size()) {
    if (perUser) {
      if (depth == 0 && input.substr(i).starts_with(kClassesRoot)) {
        RETURN_IF_FAILED(out.Append(kPerUserOpen));
        i += kClassesRoot.size();
        rewriteOpen = true;
        if (i == input.size()) break;
      }
      const char16_t c = input[i];
      bool countsBraces = !inQuotes;
      if (c == kQuote) {
        if (!inQuotes) {
          inQuotes = true;
          countsBraces = false;
        } else if (i + 1 < input.size() && input[i + 1] == kQuote) {
          // A doubled quote inside quotes: copied as a pair, still inside.
          RETURN_IF_FAILED(out.Append(u"''"));
          i += 2;
          continue;
        } else {
          inQuotes = false;
        }
      }
      if (countsBraces && c == u'{') ++depth;
      if (countsBraces && c == u'}') {
        --depth;
        if (depth == 0 && rewriteOpen) {
          RETURN_IF_FAILED(out.Append(kPerUserClose));
          rewriteOpen = false;
        }
      }
    }

    if (input[i] != kPercent) {
      RETURN_IF_FAILED(out.Append(input[i]));
    } else if (i + 1 < input.size() && input[i + 1] == kPercent) {
      RETURN_IF_FAILED(out.Append(kPercent));
      ++i;
    } else {
      const std::size_t nameStart = i + 1;
      const std::size_t nameEnd = input.find(kPercent, nameStart);
      if (nameEnd == std::u16string_view::npos) return hr::kDispException;
      RETURN_IF_FAILED(AppendReplacement(input.substr(nameStart, nameEnd - nameStart), out));
      i = nameEnd;
    }
    ++i;
  }
  return hr::kOk;
}

HResult ScriptExpander::AppendReplacement(std::u16string_view name, ScriptTextBuffer& out) const {
  if (name.size() > kMaxReplacementNameLength) return hr::kFail;
  std::array<char16_t, kMaxReplacementNameLength + 1> nameText{};
  BoundedWriter writer(nameText, kMaxReplacementNameLength);
  for (char16_t c : name) {
    if (!writer.Put(c)) return hr::kFail;
  }
  HResult appended = hr::kOk;
  const bool found = replacements_.FindReplacement(
      nameText.data(), [&](std::u16string_view text) { appended = out.Append(text); });
  if (!found) return hr::kDispException;
  return appended;
}

}  // namespace registrar
