// Memory for expanded script texts: on the platform task memory
// (CoTaskMemAlloc, CoTaskMemRealloc, CoTaskMemFree).
#pragma once

#include <cstddef>

namespace registrar {

class ScriptMemory {
 public:
  virtual ~ScriptMemory() = default;
  // Null when the memory cannot be had.
  virtual void* Allocate(std::size_t bytes) = 0;
  // Null when the memory cannot be had; block then stays valid and owned by the caller.
  virtual void* Reallocate(void* block, std::size_t bytes) = 0;
  virtual void Free(void* block) = 0;
};

}  // namespace registrar
