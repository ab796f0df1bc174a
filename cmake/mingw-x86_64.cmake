# Cross toolchain: Debian's mingw-w64 for 64-bit Windows. The -posix variant
# carries std::thread and std::mutex, which GoogleTest and the tests need; the
# DLL's own tree takes the -win32 one, which links no winpthreads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
set(MINGW_THREAD_VARIANT posix CACHE STRING "Compiler variant: posix or win32")
set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-${MINGW_THREAD_VARIANT})
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-${MINGW_THREAD_VARIANT})
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)
set(WIDL_EXECUTABLE ${TOOLCHAIN_PREFIX}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
