// The viewer class as the server's class list names it: its class id, its
// class script, its class object and how its instances are made.
#pragma once

#include "comframe/class_entry.h"

extern ClassEntry viewerClassEntry;
