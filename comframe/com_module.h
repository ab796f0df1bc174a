// The frame's half of the module object, one per process: how long the
// library must stay loaded (the module lock count), the lock that serialises
// one-time loading (staticLock), what runs at shutdown, and the way a class
// has its registration script run. The server derives its module object from
// it; the constructor makes the object reachable through Current().
#pragma once

#include <windows.h>

#include <memory>

#include "base/win/critical_section.h"

class ComModule {
 public:
  // Runs at shutdown with the argument it was registered with.
  using TermCallback = void (*)(DWORD_PTR argument);

  // Sets up staticLock; Ready() tells whether that worked.
  ComModule();
  // TerminateModule.
  virtual ~ComModule();
  ComModule(const ComModule&) = delete;
  ComModule& operator=(const ComModule&) = delete;

  // The live module object, or null before process attach and after detach.
  static ComModule* Current();

  bool Ready() const { return ready_ != 0; }

  // Each returns the new count.
  virtual LONG LockModule();
  virtual LONG UnlockModule();
  virtual LONG CurrentLockCount() const;
  // LockServer's locks, counted apart as well so that an unlock without a
  // lock leaves the module lock count alone. ReleaseClientLock says false
  // when the client holds none.
  void AddClientLock();
  bool ReleaseClientLock();
  // Runs the library's REGISTRY script resource resourceId, writing (true)
  // or removing (false) what it describes.
  virtual HRESULT UpdateRegistryFromResource(UINT resourceId, bool doRegister) = 0;

  // Registers a callback for shutdown, newest first. A node that cannot be
  // allocated is dropped without telling the caller.
  void AddTermCallback(TermCallback callback, DWORD_PTR argument);
  // Runs and frees every termination callback, newest first, and deletes
  // staticLock.
  void TerminateModule();

  // Serialises the loading of type information and the callback list.
  CriticalSection& StaticLock() { return staticLock_; }

 private:
  struct TermCallbackNode {
    TermCallback callback;
    DWORD_PTR argument;
    std::unique_ptr<TermCallbackNode> next;
  };

  LONG ready_ = 0;
  LONG lockCount_ = 0;
  LONG clientLocks_ = 0;
  std::unique_ptr<TermCallbackNode> termCallbacks_;
  CriticalSection staticLock_;
};

// The module lock as the frame's objects take and give it back. The server
// releases the cached class object after the module object is gone; a client
// that still holds a reference to it then (it leaked one past unload) must not
// make that release touch the missing module object.
inline void LockServerModule() {
  if (ComModule* module = ComModule::Current()) module->LockModule();
}
inline void UnlockServerModule() {
  if (ComModule* module = ComModule::Current()) module->UnlockModule();
}
