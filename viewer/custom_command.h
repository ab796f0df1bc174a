// The custom viewer command as it is launched: the stored command with its
// percent escapes removed and its %NAME% environment references expanded.
#pragma once

#include <optional>
#include <string>

#include "viewer/viewer_platform.h"

// Empty when no command (or an empty one) is stored. The "{0}" placeholder
// is left in. May throw std::bad_alloc.
std::u16string ResolveCustomCommand(ViewerPlatform& platform,
                                    const std::optional<std::u16string>& stored);
