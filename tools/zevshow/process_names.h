// The program file names of the processes that wrote lines, looked up at the
// first line of each process id, while it most likely still runs (a process
// may end right after its line). An id the system hands to a later process
// during the same watch keeps the first name.
#pragma once

#include <windows.h>

#include <map>
#include <string>

class ProcessNames {
 public:
  // The file name without its folder ("cscript.exe"), or "<unknown>" when
  // the process can no longer be asked. Throws std::bad_alloc.
  const std::wstring& NameOf(DWORD processId);

  // How many processes have been looked up.
  size_t count() const { return names_.size(); }

 private:
  std::map<DWORD, std::wstring> names_;
};
