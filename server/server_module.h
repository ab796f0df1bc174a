// The module object, the third process-wide record: the frame's module state
// (lock count, staticLock, termination callbacks), the way a class has its
// registration script run, and the start and stop of each class.
#pragma once

#include <windows.h>

#include "comframe/com_module.h"
#include "server/class_table.h"

class CVeltaraDeskZevEvovModule final : public ComModule {
 public:
  // Sets initFailed when staticLock could not be set up, then tells each
  // class that the server starts.
  explicit CVeltaraDeskZevEvovModule(const ClassTable& classes);
  // Tells each class that the server stops; the frame's module then runs the
  // termination callbacks.
  ~CVeltaraDeskZevEvovModule() override;

  // Runs the class script resourceId of this library (RunRegistrationScript
  // without pairs of the caller's).
  HRESULT UpdateRegistryFromResource(UINT resourceId, bool doRegister) override;

 private:
  const ClassTable& classes_;
};
