// Owns the one BSTR that a getter hands out, until Release() passes it to the
// caller's result; frees it on destruction otherwise (a getter that fails
// hands out nothing).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

#include "base/win/unique_bstr.h"
#include "viewer/string_out.h"

class BstrStringOut final : public StringOut {
 public:
  BstrStringOut() = default;
  BstrStringOut(const BstrStringOut&) = delete;
  BstrStringOut& operator=(const BstrStringOut&) = delete;

  bool Assign(const char16_t* text, std::uint32_t length) override;
  void AssignNull() override;

  BSTR Release();

 private:
  UniqueBstr value_;
};
