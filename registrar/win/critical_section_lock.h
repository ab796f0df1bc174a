// The replacement table's lock on the platform: a critical section.
#pragma once

#include <windows.h>

#include "base/win/critical_section.h"
#include "registrar/table_lock.h"

namespace registrar {

class CriticalSectionLock final : public TableLock {
 public:
  // The last error as an HRESULT when the section cannot be set up. A
  // registrar whose lock failed is still destroyed, and its table's final
  // reset goes through the lock, which then does nothing.
  HRESULT Initialize() { return section_.Initialize(); }

  void Enter() override { section_.Enter(); }
  void Leave() override { section_.Leave(); }

 private:
  CriticalSection section_;
};

}  // namespace registrar
