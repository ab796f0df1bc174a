// The creatable classes of the server, in the order the class table walks them.
#pragma once

#include <span>

#include "comframe/class_entry.h"

std::span<ClassEntry* const> ServerClasses();
