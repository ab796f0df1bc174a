// The creatable classes of the server, in the order the class table walks them.
#pragma once

#include <span>

#include "server/class_entry.h"

std::span<ClassEntry* const> ServerClasses();
