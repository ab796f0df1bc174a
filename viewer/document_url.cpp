#include "viewer/document_url.h"

#include <algorithm>

#include "viewer/url_escape.h"

namespace {

constexpr std::u16string_view kQuoteEscape = u"%22";

std::u16string_view UpToNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

std::size_t UnquotedLength(std::u16string_view text) {
  const std::u16string_view shown = UpToNul(text);
  const auto quotes = static_cast<std::size_t>(std::count(shown.begin(), shown.end(), u'"'));
  return shown.size() + quotes * (kQuoteEscape.size() - 1);
}

void AppendUnquoted(std::u16string& url, std::u16string_view text) {
  for (const char16_t c : UpToNul(text)) {
    if (c == u'"') {
      url += kQuoteEscape;
    } else {
      url += c;
    }
  }
}

// One "&key=value" part: present or not, and its escaped value.
struct QueryPart {
  std::u16string_view key;
  bool present = false;
  std::u16string value;
};

}  // namespace

std::u16string ComposeDocumentUrl(ViewerPlatform& platform, const DocumentUrlParts& parts) {
  constexpr std::u16string_view kRequest = u"/.archiveLink?viewDoc";
  // Values are escaped first, so that the URL is written once into its final size.
  QueryPart query[] = {{u"&contRep=", !parts.contRep.empty(), {}},
                       {u"&docID=", !parts.did.empty(), {}},
                       {u"&user=", parts.userName.has_value(), {}}};
  const std::u16string_view values[] = {parts.contRep, parts.did, parts.userName.value_or(u"")};
  std::size_t size = 2 + UnquotedLength(parts.server) + UnquotedLength(parts.urlRoot) + kRequest.size();
  for (std::size_t i = 0; i < std::size(query); ++i) {
    if (!query[i].present) continue;
    query[i].value = EscapeUrlValue(platform, values[i]);
    size += query[i].key.size() + query[i].value.size();
  }
  std::u16string url;
  url.reserve(size);
  url += u'"';
  AppendUnquoted(url, parts.server);
  AppendUnquoted(url, parts.urlRoot);
  url += kRequest;
  for (const QueryPart& part : query) {
    if (!part.present) continue;
    url += part.key;
    url += part.value;
  }
  url += u'"';
  return url;
}
