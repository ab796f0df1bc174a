// Registers the server in the test prefix as administrators do, with
// `regsvr32 /s` on the built DLL, and takes it away with `regsvr32 /u /s`.
// Tests that take the type library away and bring it back use the platform's
// own type library calls for that part alone.
#pragma once

#include <windows.h>

// S_OK when regsvr32 succeeded, else E_FAIL.
HRESULT RegisterServerForTests();
void UnregisterServerForTests();

// The type library alone: RegisterTypeLib on the DLL, filed under the neutral
// locale too as the server's registration does; and the reverse.
HRESULT RegisterTypeLibraryForTests();
HRESULT UnregisterTypeLibraryForTests();

// The server registered for one scope: regsvr32 on construction, regsvr32 /u
// on destruction.
class ScopedTestRegistration {
 public:
  ScopedTestRegistration();
  ~ScopedTestRegistration();
  ScopedTestRegistration(const ScopedTestRegistration&) = delete;
  ScopedTestRegistration& operator=(const ScopedTestRegistration&) = delete;

  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};
