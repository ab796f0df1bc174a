#include "viewer/win/viewer_type_info.h"

#include "VeltaraDeskZevEvov.h"

namespace {

constexpr WORD kLibraryMajorVersion = 1;
constexpr WORD kLibraryMinorVersion = 0;

}  // namespace

// Constant-initialised, so it stands before any code of the library runs.
constinit CComTypeInfoHolder viewerTypeInfoHolder(&IID_IDorvex_ZevEvover, &LIBID_VeltaraDeskZevEvovLib,
                                                  kLibraryMajorVersion, kLibraryMinorVersion);
