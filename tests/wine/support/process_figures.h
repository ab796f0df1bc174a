// Figures of the test process that Wine's usual sources do not give:
// GetProcessMemoryInfo and GetProcessHandleCount both answer 0 there.
#pragma once

#include <cstddef>

// Committed private memory: the sum of the MEM_COMMIT, MEM_PRIVATE regions
// VirtualQuery walks through.
size_t CommittedPrivateBytes();

// The handles this process holds, as NtQuerySystemInformation lists them for
// the whole system; 0 when the list cannot be read.
size_t OpenHandleCount();
