# Host build: the portable libraries and their unit tests under ASan and UBSan.
foreach(library IN ITEMS viewer_logic registrar_logic)
  target_compile_options(${library} PRIVATE -Wall -Wextra -Werror)
endforeach()

include(GoogleTest)

add_executable(native_tests
  tests/native/decimal_number_conversion.cpp
  tests/native/registrar_key_walker_test.cpp
  tests/native/registrar_module_scripts_test.cpp
  tests/native/registrar_reg_key_handle_test.cpp
  tests/native/registrar_replacement_table_test.cpp
  tests/native/registrar_script_expander_test.cpp
  tests/native/registrar_script_fuzz_test.cpp
  tests/native/registrar_token_scanner_test.cpp
  tests/native/registrar_value_writer_test.cpp
  tests/native/viewer_core_properties_test.cpp
  tests/native/viewer_custom_command_test.cpp
  tests/native/viewer_option_values_test.cpp
  tests/native/viewer_random_input_test.cpp
  tests/native/viewer_show_test.cpp
  tests/native/viewer_text_format_test.cpp
  tests/native/viewer_trace_test.cpp
  tests/native/viewer_url_escape_test.cpp
  tests/native/viewer_user_name_test.cpp)
target_link_libraries(native_tests PRIVATE viewer_logic registrar_logic test_support GTest::gtest_main)
gtest_discover_tests(native_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "native.")

# Replaces the global operator new of its program (tests/support/failing_allocation.h),
# so it has a program of its own: the tests above keep ASan's new/delete checks.
add_executable(native_allocation_failure_tests
  tests/native/viewer_allocation_failure_test.cpp
  tests/support/failing_allocation.cpp)
target_link_libraries(native_allocation_failure_tests PRIVATE viewer_logic test_support GTest::gtest_main)
gtest_discover_tests(native_allocation_failure_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "native.")

# scripts/bench's native half; replaces the global operator new to count
# allocations, so it is a program of its own, built only when asked for.
add_executable(native_bench EXCLUDE_FROM_ALL
  bench/native_bench.cpp
  tests/native/decimal_number_conversion.cpp)
target_link_libraries(native_bench PRIVATE viewer_logic registrar_logic test_support)

# Build tool of the installer packages: the Registry rows of each DLL, from its
# own registration scripts run through the registrar and from its type library.
add_executable(msi_rows
  tools/msi_rows/msi_rows.cpp
  tools/msi_rows/recording_registry.cpp
  tools/msi_rows/type_library_file.cpp)
target_compile_options(msi_rows PRIVATE -Wall -Wextra -Werror)
target_include_directories(msi_rows PRIVATE ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(msi_rows PRIVATE registrar_logic base)

# The row tool's type-library reader, against the library widl makes of the
# product's interface description.
find_program(NATIVE_WIDL NAMES x86_64-w64-mingw32-widl REQUIRED)
set(MSI_ROWS_TEST_TYPE_LIBRARY ${CMAKE_BINARY_DIR}/VeltaraDeskZevEvov.tlb)
add_custom_command(
  OUTPUT ${MSI_ROWS_TEST_TYPE_LIBRARY}
  COMMAND ${NATIVE_WIDL} -m64 -L /usr/lib/x86_64-linux-gnu/wine/x86_64-windows -I /usr/include/wine/wine/windows
          -t -o ${MSI_ROWS_TEST_TYPE_LIBRARY} ${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.idl
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.idl)
add_executable(msi_rows_tests
  tests/native/msi_rows_type_library_test.cpp
  tools/msi_rows/type_library_file.cpp
  ${MSI_ROWS_TEST_TYPE_LIBRARY})
target_compile_definitions(msi_rows_tests PRIVATE MSI_ROWS_TEST_TYPE_LIBRARY="${MSI_ROWS_TEST_TYPE_LIBRARY}")
target_link_libraries(msi_rows_tests PRIVATE base test_support GTest::gtest_main)
gtest_discover_tests(msi_rows_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "native.")

# The package tests' registry comparison, on planted snapshots: it must report
# every loss, not only what was added.
find_program(PYTHON3 python3 REQUIRED)
add_test(NAME native.registration_delta COMMAND ${PYTHON3} -B ${CMAKE_SOURCE_DIR}/tests/package/registration_delta_test.py)
# tools/x86-guest's cache cleanup and its stop on a signal, with a stand-in qemu.
add_test(NAME native.x86_guest_tool COMMAND ${PYTHON3} -B ${CMAKE_SOURCE_DIR}/tests/tools/x86_guest_test.py)
