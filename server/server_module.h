// The module object, the third process-wide record: the frame's module state
// (lock count, staticLock, termination callbacks), the replacements every
// registration script run gets, and the start and stop of each class.
#pragma once

#include <windows.h>

#include "comframe/com_module.h"
#include "server/class_table.h"

namespace registrar {
struct IRegistrarBase;
}  // namespace registrar

class CVeltaraDeskZevEvovModule final : public ComModule {
 public:
  // Sets initFailed when staticLock could not be set up, then tells each
  // class that the server starts.
  explicit CVeltaraDeskZevEvovModule(const ClassTable& classes);
  // Tells each class that the server stops; the frame's module then runs the
  // termination callbacks.
  ~CVeltaraDeskZevEvovModule() override;

  // The live module object, or null before process attach and after detach.
  static CVeltaraDeskZevEvovModule* Current();

  // Runs the class script resourceId of this library with the replacements
  // every run gets.
  HRESULT UpdateRegistryFromResource(UINT resourceId, bool doRegister) override;
  // Defines in registrar the replacements every registration script run gets
  // (the application id); the result of that definition.
  virtual HRESULT AddCommonReplacements(registrar::IRegistrarBase& registrar);

 private:
  const ClassTable& classes_;
};
