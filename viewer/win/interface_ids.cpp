// The identifiers of the interface description (CLSID, IID, LIBID), defined
// once from the widl output.
#include "VeltaraDeskZevEvov_i.c"
