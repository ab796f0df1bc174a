// What every object the server hands out carries: an atomic reference count
// and its objectLock. The templates that complete an object (plain, cached,
// aggregated) decide what the count means and when the object dies.
#pragma once

#include <windows.h>

#include "base/win/critical_section.h"

// Written into an object's count as its destruction begins, so that a stray
// AddRef or Release during teardown cannot bring the count back to zero.
inline constexpr LONG kDestroyedRefCount = static_cast<LONG>(0xC0000001u);

class ComObjectRoot {
 public:
  ComObjectRoot(const ComObjectRoot&) = delete;
  ComObjectRoot& operator=(const ComObjectRoot&) = delete;

  // Sets up objectLock, the one construction step that can fail.
  HRESULT InitializeObjectLock() { return objectLock_.Initialize(); }

  ULONG InternalAddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
  ULONG InternalRelease() { return static_cast<ULONG>(InterlockedDecrement(&refCount_)); }

 protected:
  ComObjectRoot() = default;
  ~ComObjectRoot() = default;

  void MarkDestroyed() { refCount_ = kDestroyedRefCount; }
  CriticalSection& ObjectLock() { return objectLock_; }

 private:
  LONG refCount_ = 0;
  CriticalSection objectLock_;
};
