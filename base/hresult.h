// Result codes shared by the portable code. The portable code sees no Windows
// headers, so the values the platform calls S_OK, E_FAIL and so on live here
// under names of their own; the numbers are the platform's.
#pragma once

#include <cstdint>

using HResult = std::int32_t;

namespace hr {

inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNotImpl = static_cast<HResult>(0x80004001u);
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kUnexpected = static_cast<HResult>(0x8000FFFFu);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057u);
inline constexpr HResult kDispException = static_cast<HResult>(0x80020009u);

// Win32 error code to HRESULT: 0 stays success, anything else takes the
// 0x8007xxxx form with the low 16 bits of the code.
constexpr HResult FromWin32(std::uint32_t code) {
  return code == 0 ? kOk : static_cast<HResult>((code & 0xFFFFu) | 0x80070000u);
}

constexpr bool Failed(HResult h) { return h < 0; }
constexpr bool Succeeded(HResult h) { return h >= 0; }

}  // namespace hr

// The one early return of a sequence of steps: the first failing step ends the
// sequence and its result is returned unchanged. Works for the portable HResult
// and the platform's HRESULT alike (both are 32-bit signed, failure below 0).
#define RETURN_IF_FAILED(expression)                              \
  do {                                                             \
    const auto returnIfFailedResult_ = (expression);               \
    if (returnIfFailedResult_ < 0) return returnIfFailedResult_;   \
  } while (false)
