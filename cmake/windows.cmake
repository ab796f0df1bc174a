# Cross build: the DLL and its Windows layers, the tools and the tests that run
# under Wine in the build tree's own prefix.
enable_language(RC)

set(OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${OUTPUT_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${OUTPUT_DIR})
set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
# Test programs run under Wine in the build tree's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run;${WINE_PREFIX_DIR})

# Interface description: type library, C++ declarations and identifiers.
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${GENERATED_DIR})
set(IDL_FILE ${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.idl)
set(WIDL_FLAGS -m32 -I /usr/include/wine/wine/windows -L /usr/lib/i386-linux-gnu/wine/i386-windows)
foreach(kind IN ITEMS "t;VeltaraDeskZevEvov.tlb" "h;VeltaraDeskZevEvov.h" "u;VeltaraDeskZevEvov_i.c")
  list(GET kind 0 flag)
  list(GET kind 1 output)
  add_custom_command(
    OUTPUT ${GENERATED_DIR}/${output}
    COMMAND ${WIDL_EXECUTABLE} ${WIDL_FLAGS} -${flag} -o ${GENERATED_DIR}/${output} ${IDL_FILE}
    DEPENDS ${IDL_FILE}
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
add_library(zevevov SHARED
  server/class_list.cpp
  server/class_table.cpp
  server/entry_points.cpp
  server/module_base.cpp
  server/neutral_locale_alias.cpp
  server/registration.cpp
  server/registration_entry_points.cpp
  server/server_module.cpp
  ${RESOURCE_SCRIPT}
  server/VeltaraDeskZevEvov.def)
set_target_properties(zevevov PROPERTIES PREFIX "" OUTPUT_NAME "Veltara.Desk.ZevEvov.x32")
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
target_link_libraries(tracecap PRIVATE trace_capture)
set(TOOL_TARGETS recorder library_info tracecap)
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
  tests/wine/support/registry_probe.cpp
  tests/wine/support/test_main.cpp
  tests/wine/support/test_paths.cpp
  tests/wine/support/test_registration.cpp)
target_include_directories(wine_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/wine/support)
target_link_libraries(wine_test_support PUBLIC viewer_win registrar_win trace_capture test_support GTest::gtest version)

# The private prefix lives for one test run: made fresh before the first Wine
# test, its server shut down after the last.
add_test(NAME wine.prefix.start COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix start ${WINE_PREFIX_DIR})
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
foreach(name IN LISTS WINE_TESTS)
  add_executable(${name} tests/wine/${name}.cpp)
  target_link_libraries(${name} PRIVATE wine_test_support)
  add_dependencies(${name} zevevov ${TOOL_TARGETS})
  add_test(NAME wine.${name} COMMAND ${name})
  # One prefix, one registry: tests that register classes or write keys must
  # not see each other's half-done work, so Wine tests run one at a time.
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 RESOURCE_LOCK wine_registry)
endforeach()
# Replaces the global operator new of its program, which is why it has one.
target_sources(frame_allocation_failure_test PRIVATE tests/support/failing_allocation.cpp)
