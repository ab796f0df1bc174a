#include "server/class_list.h"

#include "viewer/win/viewer_class_entry.h"

namespace {

ClassEntry* const serverClasses[] = {&viewerClassEntry};

}  // namespace

std::span<ClassEntry* const> ServerClasses() { return serverClasses; }
