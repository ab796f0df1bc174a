# Host build: the portable library and its unit tests under ASan and UBSan.
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_compile_options(${SANITIZE} -g)
add_link_options(${SANITIZE})

set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

add_portable_library()
if(PORTABLE_SOURCES)
  target_compile_options(portable PRIVATE -Wall -Wextra -Werror)
endif()

file(GLOB NATIVE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
if(NATIVE_TESTS)
  add_executable(native_tests ${NATIVE_TESTS})
  target_link_libraries(native_tests PRIVATE portable GTest::gtest_main)
  include(GoogleTest)
  gtest_discover_tests(native_tests DISCOVERY_MODE PRE_TEST TEST_PREFIX "native.")
endif()
