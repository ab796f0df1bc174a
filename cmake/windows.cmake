# Cross build: the DLL and its Windows layers, the tools and the tests that run
# under Wine in the build tree's own prefix.
enable_language(RC)

# One tree builds one bitness; each DLL is named after its own. Both suites
# run in a win64 prefix, where the 32-bit DLL registers in the 32-bit view as
# on every 64-bit PC.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DLL_BITS 64)
  set(WIDL_MACHINE -m64 -L /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(WINE_LOADER_OPTION -64)
else()
  set(DLL_BITS 32)
  set(WIDL_MACHINE -m32 -L /usr/lib/i386-linux-gnu/wine/i386-windows)
  set(WINE_LOADER_OPTION)
endif()
set(DLL_NAME Veltara.Desk.ZevEvov.x${DLL_BITS})

# The DLL's own tree: the product alone, built with the -win32 compiler
# variant into the test tree's program folder (see below).
if(ZEVEVOV_PRODUCT_ONLY)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PRODUCT_OUTPUT_DIR})
  include(cmake/windows_libraries.cmake)
  include(cmake/windows_library_file.cmake)
  return()
endif()

set(WINE_PREFIX_ARCH win64 CACHE STRING "Architecture of the test prefix (win32 runs the 32-bit suite only)")

# Tests that need 32-bit Windows code running carry the label x32 and need the
# fixture wine_32bit, whose test says so where this machine runs no 32-bit
# code. There scripts/test runs them inside the x86 guest (scripts/test-32bit).
# The configure step asks only for the parts of package.install_x32.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-runs-32bit RESULT_VARIABLE WINE_32BIT_STATUS)
if(WINE_32BIT_STATUS EQUAL 0)
  set(WINE_RUNS_32BIT TRUE)
else()
  set(WINE_RUNS_32BIT FALSE)
endif()

# The 64-bit tree also checks the 32-bit DLL's file and, where 32-bit programs
# run, drives both DLLs side by side: it finds them in the 32-bit tree.
set(X32_BUILD_DIR ${CMAKE_SOURCE_DIR}/build/mingw/bin)
string(REPLACE "/" "\\" X32_BUILD_DIR_WINDOWS "Z:${X32_BUILD_DIR}")

set(OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${OUTPUT_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${OUTPUT_DIR})
set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
# Test programs run under Wine in the build tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run;${WINE_LOADER_OPTION};${WINE_PREFIX_DIR})

include(cmake/windows_libraries.cmake)

# The DLL comes from a tree of its own, configured with the -win32 compiler
# variant: one CMake tree has one C++ compiler, and the test programs need the
# -posix one (GoogleTest and the tests use std::thread). The DLL's tree builds
# on every build of this one and writes the DLL beside the test programs.
set(DLL_FILE ${OUTPUT_DIR}/${DLL_NAME}.dll)
include(ExternalProject)
ExternalProject_Add(zevevov
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/library
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DMINGW_THREAD_VARIANT=win32
    -DZEVEVOV_PRODUCT_ONLY=ON
    -DPRODUCT_OUTPUT_DIR=${OUTPUT_DIR}
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${DLL_FILE})
# Runs a program as a debuggee and collects its debug output: tools/tracecap
# and the Wine tests read the viewer's trace through it.
add_library(trace_capture STATIC tools/trace_capture/debug_capture.cpp)
target_link_libraries(trace_capture PUBLIC base)
# Snapshots of a registry branch, saved by the registry server itself: the Wine
# tests and the install test (tools/registry_snapshot) compare them.
add_library(registry_export STATIC tools/registry_export/registry_export.cpp)
target_include_directories(registry_export PUBLIC ${CMAKE_SOURCE_DIR}/tools/registry_export)
target_link_libraries(registry_export PUBLIC base)

# Programs the tests and the demo start.
add_executable(recorder tools/recorder.cpp)
add_executable(library_info tools/library_info.cpp)
add_executable(tracecap tools/tracecap.cpp)
add_executable(inproc_client tools/inproc_client.cpp)
target_link_libraries(tracecap PRIVATE trace_capture)
target_link_libraries(inproc_client PRIVATE viewer_win)
add_executable(http_fetch tools/http_fetch.cpp)
target_link_libraries(http_fetch PRIVATE winhttp)
add_executable(registry_snapshot tools/registry_snapshot.cpp)
target_link_libraries(registry_snapshot PRIVATE registry_export)
set(TOOL_TARGETS recorder library_info tracecap inproc_client http_fetch registry_snapshot)
foreach(tool IN LISTS TOOL_TARGETS)
  target_link_libraries(${tool} PRIVATE base)
  target_link_options(${tool} PRIVATE -municode)
endforeach()

add_subdirectory(tools/zevshow)

# Scripts that the tests and the demo run with cscript sit beside the programs.
configure_file(${CMAKE_SOURCE_DIR}/tools/sap_client.vbs ${OUTPUT_DIR}/sap_client.vbs COPYONLY)

# The 32-bit suite loads the GCC runtime DLL that mingw-built plug-ins bring
# into a client, in both thread variants. They share one file name, so each
# gets a folder of its own; the -posix one needs winpthreads beside it.
if(DLL_BITS EQUAL 32)
  foreach(variant win32 posix)
    execute_process(COMMAND ${TOOLCHAIN_PREFIX}-gcc-${variant} -print-file-name=libgcc_s_dw2-1.dll
      OUTPUT_VARIABLE GCC_RUNTIME_DLL OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    configure_file(${GCC_RUNTIME_DLL} ${OUTPUT_DIR}/gcc-runtime-${variant}/libgcc_s_dw2-1.dll COPYONLY)
  endforeach()
  execute_process(COMMAND ${TOOLCHAIN_PREFIX}-gcc-posix -print-file-name=libwinpthread-1.dll
    OUTPUT_VARIABLE WINPTHREADS_DLL OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  configure_file(${WINPTHREADS_DLL} ${OUTPUT_DIR}/gcc-runtime-posix/libwinpthread-1.dll COPYONLY)
endif()

add_library(wine_test_support STATIC
  tests/wine/support/child_process.cpp
  tests/wine/support/loaded_server.cpp
  tests/wine/support/process_figures.cpp
  tests/wine/support/process_runner.cpp
  tests/wine/support/recorder_output.cpp
  tests/wine/support/registry_probe.cpp
  tests/wine/support/test_main.cpp
  tests/wine/support/test_paths.cpp
  tests/wine/support/test_registration.cpp
  tests/wine/support/time_scale.cpp)
target_include_directories(wine_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/wine/support)
target_link_libraries(wine_test_support PUBLIC viewer_win registrar_win trace_capture registry_export test_support GTest::gtest version)

# The private prefix lives for one test run: made fresh before the first Wine
# test, its server shut down after the last.
add_test(NAME wine.prefix.start COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix start ${WINE_PREFIX_DIR} ${WINE_PREFIX_ARCH})
add_test(NAME wine.prefix.stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix stop ${WINE_PREFIX_DIR})
set_tests_properties(wine.prefix.start PROPERTIES FIXTURES_SETUP wine_prefix)
set_tests_properties(wine.prefix.stop PROPERTIES FIXTURES_CLEANUP wine_prefix)

# One test program per source file.
set(WINE_TESTS
  debug_capture_test
  end_to_end_test
  frame_allocation_failure_test
  library_file_test
  registrar_test
  registration_test
  server_activation_test
  server_class_object_test
  server_concurrency_test
  server_late_binding_test
  server_script_client_test
  server_viewer_identity_test
  server_viewer_vtable_test
  show_test
  type_library_test
  zevshow_test)
# Both DLLs side by side is the 64-bit tree's test.
if(DLL_BITS EQUAL 64)
  list(APPEND WINE_TESTS side_by_side_test)
endif()
foreach(name IN LISTS WINE_TESTS)
  add_executable(${name} tests/wine/${name}.cpp)
  target_link_libraries(${name} PRIVATE wine_test_support)
  add_dependencies(${name} zevevov ${TOOL_TARGETS} zevshow)
  add_test(NAME wine.${name} COMMAND ${name})
  # One prefix, one registry: tests that register classes or write keys must
  # not see each other's half-done work, so Wine tests run one at a time. The
  # time limit leaves room for the x86 guest, several times slower than here.
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 900 RESOURCE_LOCK wine_registry)
  if(DLL_BITS EQUAL 64)
    set_tests_properties(wine.${name} PROPERTIES ENVIRONMENT ZEVEVOV_X32_BIN=${X32_BUILD_DIR_WINDOWS})
  endif()
endforeach()
# The 64-bit end to end once more with its second viewer the 32-bit recorder:
# a custom command may name a viewer of either bitness. Labelled x32 below, so
# it runs wherever 32-bit programs run, the x86 guest included.
if(DLL_BITS EQUAL 64)
  add_test(NAME wine.end_to_end_test_x32 COMMAND end_to_end_test)
  set_tests_properties(wine.end_to_end_test_x32 PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 900
    RESOURCE_LOCK wine_registry ENVIRONMENT "ZEVEVOV_X32_BIN=${X32_BUILD_DIR_WINDOWS};ZEVEVOV_RUNS_32BIT=1")
endif()
# Replaces the global operator new of its program, which is why it has one.
target_sources(frame_allocation_failure_test PRIVATE tests/support/failing_allocation.cpp)

# Show end to end, from the SAP-like script to the ArchiveLink test server,
# through headless Chromium as the prefix's browser and the Windows-side fetcher.
# Debian's own python3: the x86 guest has it at the same path.
find_program(PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
add_test(NAME wine.archivelink_show
  COMMAND ${PYTHON3} -B ${CMAKE_SOURCE_DIR}/tests/archivelink/show_document_test.py
    --dll ${DLL_FILE} --bin ${OUTPUT_DIR} --work ${CMAKE_BINARY_DIR}/archivelink
    -- ${CMAKE_CROSSCOMPILING_EMULATOR})
set_tests_properties(wine.archivelink_show PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 1500 RESOURCE_LOCK wine_registry)

add_test(NAME wine.runs_32bit COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-runs-32bit --explain)
set_tests_properties(wine.runs_32bit PROPERTIES FIXTURES_SETUP wine_32bit LABELS x32)
if(DLL_BITS EQUAL 32)
  set(X32_TESTS wine.prefix.start wine.prefix.stop wine.archivelink_show)
  foreach(name IN LISTS WINE_TESTS)
    list(APPEND X32_TESTS wine.${name})
  endforeach()
else()
  set(X32_TESTS wine.side_by_side_test wine.end_to_end_test_x32)
endif()
foreach(test IN LISTS X32_TESTS)
  get_test_property(${test} FIXTURES_REQUIRED fixtures)
  if(NOT fixtures)
    set(fixtures "")
  endif()
  set_tests_properties(${test} PROPERTIES LABELS x32 FIXTURES_REQUIRED "${fixtures};wine_32bit")
endforeach()

# The library file as the linker made it: format, export name, the five
# exports, system DLLs only in the import table.
add_test(NAME library.file_format COMMAND ${CMAKE_SOURCE_DIR}/tools/check-library-file ${CMAKE_OBJDUMP}
  ${DLL_FILE} ${DLL_NAME}.dll ${DLL_BITS})


# scripts/bench's Wine half, built only when asked for.
add_executable(wine_bench EXCLUDE_FROM_ALL bench/wine_bench.cpp)
target_link_libraries(wine_bench PRIVATE viewer_win base)
target_link_options(wine_bench PRIVATE -municode)
add_dependencies(wine_bench zevevov)

# The installer packages hold both DLLs, so the 64-bit tree tests them (after
# scripts/build has built the 32-bit tree too). Each package test works in a
# folder and, for the install tests, prefixes of its own. The two-folder
# reproducibility check builds the whole tree twice more: scripts/reproducible
# runs it on its own.
if(DLL_BITS EQUAL 64)
  set(PACKAGE_TEST_DIR ${CMAKE_BINARY_DIR}/package-tests)
  # The packages are built apart from the install tests: the 32-bit checks
  # need 32-bit code running and so may run in the x86 guest, where nothing is
  # built. package.install_x32 checks the x86 package in a win32 prefix and,
  # where this machine runs no 32-bit code, the x64 package once more with its
  # 32-bit halves (the 32-bit script client and zevshow, regsvr32 of the 32-bit
  # DLL), which package.install then leaves out.
  add_test(NAME package.build COMMAND ${CMAKE_SOURCE_DIR}/tests/package/install_test
    --build-packages ${PACKAGE_TEST_DIR}/packages)
  add_test(NAME package.install COMMAND ${CMAKE_SOURCE_DIR}/tests/package/install_test
    --packages ${PACKAGE_TEST_DIR}/packages ${PACKAGE_TEST_DIR}/install x64 upgrade)
  set(PACKAGE_X32_PARTS x86)
  if(NOT WINE_RUNS_32BIT)
    list(APPEND PACKAGE_X32_PARTS x64)
  endif()
  add_test(NAME package.install_x32 COMMAND ${CMAKE_SOURCE_DIR}/tests/package/install_test
    --packages ${PACKAGE_TEST_DIR}/packages ${PACKAGE_TEST_DIR}/install-x32 ${PACKAGE_X32_PARTS})
  add_test(NAME package.sign COMMAND ${CMAKE_SOURCE_DIR}/tests/package/sign_test ${PACKAGE_TEST_DIR}/sign)
  set_tests_properties(package.build PROPERTIES TIMEOUT 1200 RUN_SERIAL TRUE FIXTURES_SETUP packages)
  set_tests_properties(package.install PROPERTIES TIMEOUT 1800 RUN_SERIAL TRUE FIXTURES_REQUIRED packages)
  set_tests_properties(package.install_x32 PROPERTIES TIMEOUT 1800 RUN_SERIAL TRUE
    FIXTURES_REQUIRED "packages;wine_32bit" LABELS x32)
  # scripts/package stages in one folder of the tree: the package tests take turns.
  set_tests_properties(package.sign PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endif()
