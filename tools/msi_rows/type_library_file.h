// Reads from a type library file (the MSFT format that widl writes) the facts
// that registering it puts into the registry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msi_rows {

struct TypeLibraryInterface {
  std::string iid;  // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
  std::string name;
};

struct TypeLibraryFacts {
  std::string libid;
  std::uint16_t majorVersion = 0;
  std::uint16_t minorVersion = 0;
  std::uint32_t lcid = 0;
  std::uint32_t flags = 0;
  std::string name;        // the library's name
  std::string helpString;  // its documentation string, empty when it has none
  // Interfaces that registering the library describes: every dispinterface
  // and every dual or automation-compatible interface.
  std::vector<TypeLibraryInterface> interfaces;
};

// False, with a reason in error, when bytes are not a type library this reader
// understands or any offset in it points outside the file.
bool ReadTypeLibrary(const std::vector<std::uint8_t>& bytes, TypeLibraryFacts* facts, std::string* error);

}  // namespace msi_rows
