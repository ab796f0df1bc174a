// The module object, the third process-wide record: how long the library must
// stay loaded (the module lock count), the lock that serialises one-time
// loading, and what runs at shutdown.
#pragma once

#include <windows.h>

#include <memory>

#include "server/class_table.h"
#include "base/win/critical_section.h"

namespace registrar {
struct IRegistrarBase;
}  // namespace registrar

class CVeltaraDeskZevEvovModule {
 public:
  // Runs at shutdown with the argument it was registered with.
  using TermCallback = void (*)(DWORD_PTR argument);

  // Sets up staticLock and tells each class that the server starts.
  explicit CVeltaraDeskZevEvovModule(const ClassTable& classes);
  // Tells each class that the server stops, then TerminateModule.
  virtual ~CVeltaraDeskZevEvovModule();
  CVeltaraDeskZevEvovModule(const CVeltaraDeskZevEvovModule&) = delete;
  CVeltaraDeskZevEvovModule& operator=(const CVeltaraDeskZevEvovModule&) = delete;

  // The live module object, or null before process attach and after detach.
  static CVeltaraDeskZevEvovModule* Current();

  // Each returns the new count.
  virtual LONG LockModule();
  virtual LONG UnlockModule();
  virtual LONG CurrentLockCount() const;
  // Defines in registrar the replacements every registration script run gets
  // (the application id); the result of that definition.
  virtual HRESULT AddCommonReplacements(registrar::IRegistrarBase& registrar);

  // Registers a callback for shutdown, newest first. A node that cannot be
  // allocated is dropped without telling the caller.
  void AddTermCallback(TermCallback callback, DWORD_PTR argument);
  // Runs and frees every termination callback, newest first, and deletes
  // staticLock.
  void TerminateModule();

  // Serialises the loading of type information and the callback list.
  CriticalSection& StaticLock() { return staticLock_; }
  const GUID& LibraryId() const { return libraryId_; }

 private:
  struct TermCallbackNode {
    TermCallback callback;
    DWORD_PTR argument;
    std::unique_ptr<TermCallbackNode> next;
  };

  LONG ready_ = 0;
  LONG lockCount_ = 0;
  std::unique_ptr<TermCallbackNode> termCallbacks_;
  CriticalSection staticLock_;
  GUID libraryId_;
  const ClassTable& classes_;
};

// The module lock as the server's objects take and give it back. The class
// table releases the cached class object after the module object is gone; a
// client that still holds a reference to it then (it leaked one past unload)
// must not make that release touch the missing module object.
inline void LockServerModule() {
  if (CVeltaraDeskZevEvovModule* module = CVeltaraDeskZevEvovModule::Current()) module->LockModule();
}
inline void UnlockServerModule() {
  if (CVeltaraDeskZevEvovModule* module = CVeltaraDeskZevEvovModule::Current()) module->UnlockModule();
}
