// The processor a module file on disk is built for, read from its PE headers
// without loading it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64, ...; nothing when the
// file cannot be read or is no PE image.
std::optional<WORD> ModuleMachine(const std::wstring& path);

// "32-bit", "64-bit", or the machine number for other processors.
std::wstring MachineName(WORD machine);
