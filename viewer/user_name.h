// The name of the user who runs the process, for the document URL.
#pragma once

#include <string>

#include "viewer/viewer_platform.h"

// The user principal name, else the domain-qualified account name, else the
// logon name; the next form is tried only when the domain cannot be reached
// or the account has no name of that form. Empty when none can be had. Each
// fallback writes a trace line. May throw std::bad_alloc.
std::u16string QueryCurrentUserName(ViewerPlatform& platform);
