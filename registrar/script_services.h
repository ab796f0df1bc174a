// The platform services one script run needs, handed to the parser together.
#pragma once

#include "registrar/number_conversion.h"
#include "registrar/registry_access.h"
#include "registrar/script_memory.h"
#include "registrar/text_compare.h"

namespace registrar {

// Every service must outlive the runs that use it.
struct ScriptServices {
  RegistryAccess& registry;
  const TextCompare& compare;
  const NumberConversion& numbers;
  ScriptMemory& memory;
};

}  // namespace registrar
