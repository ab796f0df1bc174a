#include "viewer/document_url.h"

#include "viewer/url_escape.h"

namespace {

std::u16string_view UpToNul(std::u16string_view text) { return text.substr(0, text.find(u'\0')); }

void AppendUnquoted(std::u16string& url, std::u16string_view text) {
  for (const char16_t c : UpToNul(text)) {
    if (c == u'"') {
      url += u"%22";
    } else {
      url += c;
    }
  }
}

}  // namespace

std::u16string ComposeDocumentUrl(ViewerPlatform& platform, const DocumentUrlParts& parts) {
  std::u16string url = u"\"";
  AppendUnquoted(url, parts.server);
  AppendUnquoted(url, parts.urlRoot);
  url += u"/.archiveLink?viewDoc";
  if (!parts.contRep.empty()) {
    url += u"&contRep=";
    url += EscapeUrlValue(platform, parts.contRep);
  }
  if (!parts.did.empty()) {
    url += u"&docID=";
    url += EscapeUrlValue(platform, parts.did);
  }
  if (parts.userName.has_value()) {
    url += u"&user=";
    url += EscapeUrlValue(platform, *parts.userName);
  }
  url += u'"';
  return url;
}
