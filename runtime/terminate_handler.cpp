// A GUI host has no console for the runtime's terminate message: no demangler is linked to print it.
//
// The C++ runtime's default terminate handler prints the demangled type of the
// exception that ended the process, and so links the whole demangler (some
// 46 KB of a 330 KB file) into a DLL that runs inside a GUI client with no
// console to print on. Every COM entry point catches what its member throws,
// so terminate only ever ends a process that is lost anyway: abort at once,
// as the default handler does after its message.
#include <cstdlib>

namespace __gnu_cxx {

// Replaces the runtime's handler of the same name at static link time.
void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
