// The server's process-wide records, built at process attach in member order
// (module base, class table, module object) and torn down in reverse at
// process detach.
#pragma once

#include <windows.h>

#include "server/class_list.h"
#include "server/class_table.h"
#include "server/module_base.h"
#include "server/server_module.h"

struct ServerRecords {
  explicit ServerRecords(HINSTANCE instance)
      : moduleBase(instance), classTable(ServerClasses()), module(classTable) {}

  ModuleBase moduleBase;
  ClassTable classTable;
  CVeltaraDeskZevEvovModule module;
};
