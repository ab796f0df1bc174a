// A host that loads and unloads the DLL many times must not lose the C++ runtime's buffers each time.
#pragma once

// Frees what the statically linked C++ runtime keeps for the life of the
// module (its exception handling's buffers among them, about 19 KB). Only at
// an unload: at process exit the system takes the memory back.
void FreeRuntimeBuffers() noexcept;
