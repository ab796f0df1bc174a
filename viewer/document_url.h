// The ArchiveLink "viewDoc" address of one document, in double quotes:
// "<server><urlRoot>/.archiveLink?viewDoc[&contRep=..][&docID=..][&user=..]"
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "viewer/viewer_platform.h"

struct DocumentUrlParts {
  std::u16string_view server;   // as stored, up to its first NUL
  std::u16string_view urlRoot;  // as stored, up to its first NUL
  std::u16string_view contRep;  // key left out when empty
  std::u16string_view did;      // key left out when empty
  std::optional<std::u16string_view> userName;  // key written, even when empty, if present
};

// The query values are percent-escaped. Server and URL root go in as they
// are, except that each double quote in them is written as %22, so that they
// cannot close the quoted URL and add words to a command line. May throw
// std::bad_alloc.
std::u16string ComposeDocumentUrl(ViewerPlatform& platform, const DocumentUrlParts& parts);
