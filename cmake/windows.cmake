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
set(WINE_PREFIX_ARCH win64 CACHE STRING "Architecture of the test prefix (win32 runs the 32-bit suite only)")

# Where 32-bit Windows programs cannot run, the tests that need them are
# listed but not run (ctest shows them as disabled); scripts/test says why.
execute_process(COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-runs-32bit RESULT_VARIABLE WINE_32BIT_STATUS)
if(WINE_32BIT_STATUS EQUAL 0)
  set(WINE_RUNS_32BIT TRUE)
else()
  set(WINE_RUNS_32BIT FALSE)
  message(STATUS "This machine runs no 32-bit Windows program under Wine: tests that need one are disabled")
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

# Interface description: type library, C++ declarations and identifiers.
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GENERATED_DIR})
set(IDL_FILE ${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.idl)
# -L is where importlib("stdole2.tlb") is found, one per bitness.
set(WIDL_FLAGS ${WIDL_MACHINE} -I /usr/include/wine/wine/windows)
# The moment the type library says it was made: SOURCE_DATE_EPOCH when the
# environment gives one, else the time of the last commit that changed the
# interface description. Not the last commit's: a tree that is only rebuilt
# keeps the library it made then, and must still match a fresh build.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(BUILD_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct -- ${IDL_FILE}
                  OUTPUT_VARIABLE BUILD_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT BUILD_EPOCH)
    set(BUILD_EPOCH 0)
  endif()
endif()
foreach(kind IN ITEMS "t;VeltaraDeskZevEvov.tlb" "h;VeltaraDeskZevEvov.h" "u;VeltaraDeskZevEvov_i.c")
  list(GET kind 0 flag)
  list(GET kind 1 output)
  set(stamp_command)
  if(flag STREQUAL "t")
    set(stamp_command COMMAND ${CMAKE_SOURCE_DIR}/tools/stamp-type-library ${GENERATED_DIR}/${output} ${BUILD_EPOCH})
  endif()
  add_custom_command(
    OUTPUT ${GENERATED_DIR}/${output}
    COMMAND ${WIDL_EXECUTABLE} ${WIDL_FLAGS} -${flag} -o ${GENERATED_DIR}/${output} ${IDL_FILE}
    ${stamp_command}
    DEPENDS ${IDL_FILE} ${CMAKE_SOURCE_DIR}/tools/stamp-type-library
    COMMENT "widl -${flag} ${output}")
  list(APPEND GENERATED_FILES ${GENERATED_DIR}/${output})
endforeach()
add_custom_target(interface_description DEPENDS ${GENERATED_FILES})

# The generic COM frame: object templates, interface table, IDispatch, type
# information holder, class factory, module lock count.
add_library(comframe STATIC
  comframe/class_factory.cpp
  comframe/com_module.cpp
  comframe/com_type_info_holder.cpp
  comframe/interface_table.cpp)
target_link_libraries(comframe PUBLIC base ole32 oleaut32 uuid)

# The viewer COM class, its class entry, creators and platform calls.
add_library(viewer_win STATIC
  viewer/win/bstr_string_out.cpp
  viewer/win/dorvex_zevevover.cpp
  viewer/win/interface_ids.cpp
  viewer/win/viewer_class_entry.cpp
  viewer/win/viewer_creation.cpp
  viewer/win/viewer_type_info.cpp
  viewer/win/windows_viewer_platform.cpp)
add_dependencies(viewer_win interface_description)
target_include_directories(viewer_win PUBLIC ${GENERATED_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(viewer_win PUBLIC viewer_logic comframe shell32 user32 secur32)

# The registrar on the platform registry and the library's resources.
add_library(registrar_win STATIC
  registrar/win/advapi_registry.cpp
  registrar/win/per_user_registration.cpp
  registrar/win/platform_script_services.cpp
  registrar/win/reg_object.cpp)
target_link_libraries(registrar_win PUBLIC registrar_logic base advapi32 ole32 oleaut32)

# The DLL: process records, exported entry points, registration, class list.
set(RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.rc)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS
  "${GENERATED_DIR}/VeltaraDeskZevEvov.tlb;${CMAKE_SOURCE_DIR}/resources/appid.rgs;${CMAKE_SOURCE_DIR}/resources/dorvex_zevevover.rgs;${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.manifest;${CMAKE_SOURCE_DIR}/resources/resource_ids.h")

# The export list names the library file of this bitness.
configure_file(${CMAKE_SOURCE_DIR}/server/VeltaraDeskZevEvov.def.in ${GENERATED_DIR}/VeltaraDeskZevEvov.def @ONLY)
add_library(zevevov SHARED
  server/class_list.cpp
  server/class_table.cpp
  server/entry_points.cpp
  server/module_base.cpp
  server/neutral_locale_alias.cpp
  server/registration.cpp
  server/registration_entry_points.cpp
  server/registry_views.cpp
  server/server_module.cpp
  server/shared_keys_snapshot.cpp
  ${RESOURCE_SCRIPT}
  ${GENERATED_DIR}/VeltaraDeskZevEvov.def)
set_target_properties(zevevov PROPERTIES PREFIX "" OUTPUT_NAME ${DLL_NAME})
target_link_libraries(zevevov PRIVATE viewer_win registrar_win comframe)
target_link_options(zevevov PRIVATE -s -Wl,--gc-sections)

# Runs a program as a debuggee and collects its debug output: tools/tracecap
# and the Wine tests read the viewer's trace through it.
add_library(trace_capture STATIC tools/trace_capture/debug_capture.cpp)
target_link_libraries(trace_capture PUBLIC base)

# Programs the tests and the demo start.
add_executable(recorder tools/recorder.cpp)
add_executable(library_info tools/library_info.cpp)
add_executable(tracecap tools/tracecap.cpp)
add_executable(inproc_client tools/inproc_client.cpp)
target_link_libraries(tracecap PRIVATE trace_capture)
target_link_libraries(inproc_client PRIVATE viewer_win)
set(TOOL_TARGETS recorder library_info tracecap inproc_client)
foreach(tool IN LISTS TOOL_TARGETS)
  target_link_libraries(${tool} PRIVATE base)
  target_link_options(${tool} PRIVATE -municode)
endforeach()

# Scripts that the tests and the demo run with cscript sit beside the programs.
configure_file(${CMAKE_SOURCE_DIR}/tools/sap_client.vbs ${OUTPUT_DIR}/sap_client.vbs COPYONLY)

add_library(wine_test_support STATIC
  tests/wine/support/child_process.cpp
  tests/wine/support/loaded_server.cpp
  tests/wine/support/process_runner.cpp
  tests/wine/support/recorder_output.cpp
  tests/wine/support/registry_export.cpp
  tests/wine/support/registry_probe.cpp
  tests/wine/support/test_main.cpp
  tests/wine/support/test_paths.cpp
  tests/wine/support/test_registration.cpp)
target_include_directories(wine_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/wine/support)
target_link_libraries(wine_test_support PUBLIC viewer_win registrar_win trace_capture test_support GTest::gtest version)

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
  type_library_test)
# Both DLLs side by side is the 64-bit tree's test.
if(DLL_BITS EQUAL 64)
  list(APPEND WINE_TESTS side_by_side_test)
endif()
foreach(name IN LISTS WINE_TESTS)
  add_executable(${name} tests/wine/${name}.cpp)
  target_link_libraries(${name} PRIVATE wine_test_support)
  add_dependencies(${name} zevevov ${TOOL_TARGETS})
  add_test(NAME wine.${name} COMMAND ${name})
  # One prefix, one registry: tests that register classes or write keys must
  # not see each other's half-done work, so Wine tests run one at a time.
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 RESOURCE_LOCK wine_registry)
  if(DLL_BITS EQUAL 64)
    set(environment ZEVEVOV_X32_BIN=${X32_BUILD_DIR_WINDOWS})
    if(WINE_RUNS_32BIT)
      list(APPEND environment ZEVEVOV_RUNS_32BIT=1)
    endif()
    set_tests_properties(wine.${name} PROPERTIES ENVIRONMENT "${environment}")
  endif()
endforeach()
# Replaces the global operator new of its program, which is why it has one.
target_sources(frame_allocation_failure_test PRIVATE tests/support/failing_allocation.cpp)

if(NOT WINE_RUNS_32BIT)
  if(DLL_BITS EQUAL 32)
    set_tests_properties(wine.prefix.start wine.prefix.stop PROPERTIES DISABLED TRUE)
    foreach(name IN LISTS WINE_TESTS)
      set_tests_properties(wine.${name} PROPERTIES DISABLED TRUE)
    endforeach()
  else()
    set_tests_properties(wine.side_by_side_test PROPERTIES DISABLED TRUE)
  endif()
endif()

# The library file as the linker made it: format, export name, the five
# exports, system DLLs only in the import table.
add_test(NAME library.file_format COMMAND ${CMAKE_SOURCE_DIR}/tools/check-library-file ${CMAKE_OBJDUMP}
  $<TARGET_FILE:zevevov> ${DLL_NAME}.dll ${DLL_BITS})


# The installer packages hold both DLLs, so the 64-bit tree tests them (after
# scripts/build has built the 32-bit tree too). Each package test works in a
# folder and, for the install test, a win64 prefix of its own.
if(DLL_BITS EQUAL 64)
  set(PACKAGE_TEST_DIR ${CMAKE_BINARY_DIR}/package-tests)
  add_test(NAME package.install COMMAND ${CMAKE_SOURCE_DIR}/tests/package/install_test ${PACKAGE_TEST_DIR}/install)
  add_test(NAME package.sign COMMAND ${CMAKE_SOURCE_DIR}/tests/package/sign_test ${PACKAGE_TEST_DIR}/sign)
  add_test(NAME package.reproducible COMMAND ${CMAKE_SOURCE_DIR}/tests/package/reproducible_test ${PACKAGE_TEST_DIR}/reproducible)
  set_tests_properties(package.install PROPERTIES TIMEOUT 1800 RUN_SERIAL TRUE)
  # scripts/package stages in one folder of the tree: the package tests take turns.
  set_tests_properties(package.sign PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
  # Builds the whole tree once more: alone, so no Wine test's time-out runs out meanwhile.
  set_tests_properties(package.reproducible PROPERTIES TIMEOUT 3600 RUN_SERIAL TRUE)
endif()
