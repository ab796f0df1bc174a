#include "registrar/win/platform_script_services.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "base/win/wide_text.h"

namespace registrar {

bool PlatformTextCompare::EqualNoCase(const char16_t* left, const char16_t* right) const {
  return lstrcmpiW(AsWide(left), AsWide(right)) == 0;
}

HResult VariantNumberConversion::UInt32FromText(const char16_t* text, std::uint32_t* value) const {
  ULONG converted = 0;
  // VarUI4FromStr takes a non-const string but does not change it.
  HRESULT result = VarUI4FromStr(const_cast<OLECHAR*>(AsWide(text)), 0, 0, &converted);
  if (SUCCEEDED(result)) *value = converted;
  return result;
}

void* TaskMemory::Allocate(std::size_t bytes) { return CoTaskMemAlloc(bytes); }
void* TaskMemory::Reallocate(void* block, std::size_t bytes) { return CoTaskMemRealloc(block, bytes); }
void TaskMemory::Free(void* block) { CoTaskMemFree(block); }

}  // namespace registrar
