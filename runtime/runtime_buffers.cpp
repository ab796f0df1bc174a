// A host that loads and unloads the DLL many times must not lose the C++ runtime's buffers each time.
#include "runtime/runtime_buffers.h"

// The C++ runtime's release of its own buffers; libstdc++ defines it but no
// header declares it.
namespace __gnu_cxx {
void __freeres() noexcept;
}

void FreeRuntimeBuffers() noexcept { __gnu_cxx::__freeres(); }
