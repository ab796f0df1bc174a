# Cross build: the DLL, its Windows layer, the tools and the tests that run
# under Wine in the build tree's own prefix.
enable_language(RC)

set(OUTPUT_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${OUTPUT_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${OUTPUT_DIR})
set(WINE_PREFIX_DIR ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-run;${WINE_PREFIX_DIR})

set(SYSTEM_LIBS ole32 oleaut32 uuid advapi32 shell32 user32 secur32)
set(TEST_SYSTEM_LIBS version)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
# Small rather than fast (the preset builds MinSizeRel): unused functions and
# data of the static runtime are dropped at link time.
add_compile_options(-Wall -Wextra -ffunction-sections -fdata-sections)
# Only system DLLs in the import table: libgcc, libstdc++ and winpthreads go in statically.
add_link_options(-static -Wl,--enable-stdcall-fixup)

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

add_portable_library()

# The Windows layer beneath the entry points; test programs link it directly.
file(GLOB WINDOWS_LAYER_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/comframe/*.cpp
  ${CMAKE_SOURCE_DIR}/viewer/win/*.cpp
  ${CMAKE_SOURCE_DIR}/registrar/win/*.cpp)
add_library(winlayer STATIC ${WINDOWS_LAYER_SOURCES})
add_dependencies(winlayer interface_description)
target_include_directories(winlayer PUBLIC ${CMAKE_SOURCE_DIR} ${GENERATED_DIR} ${CMAKE_SOURCE_DIR}/resources)
target_link_libraries(winlayer PUBLIC portable ${SYSTEM_LIBS})

file(GLOB SERVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/server/*.cpp)
set(RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.rc)
set_source_files_properties(${RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS
  "${GENERATED_DIR}/VeltaraDeskZevEvov.tlb;${CMAKE_SOURCE_DIR}/resources/appid.rgs;${CMAKE_SOURCE_DIR}/resources/dorvex_zevevover.rgs;${CMAKE_SOURCE_DIR}/resources/VeltaraDeskZevEvov.manifest;${CMAKE_SOURCE_DIR}/resources/resource_ids.h")

add_library(zevevov SHARED ${SERVER_SOURCES} ${RESOURCE_SCRIPT} ${CMAKE_SOURCE_DIR}/server/VeltaraDeskZevEvov.def)
set_target_properties(zevevov PROPERTIES PREFIX "" OUTPUT_NAME "Veltara.Desk.ZevEvov.x32")
target_link_libraries(zevevov PRIVATE winlayer)
target_link_options(zevevov PRIVATE -s -Wl,--gc-sections)

# GoogleTest, cross-built from Debian's sources.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# Programs the tests and the demo start: one per source file in tools/.
file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(source IN LISTS TOOL_SOURCES)
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE wine_test_support ${SYSTEM_LIBS})
  target_link_options(${name} PRIVATE -municode)
  list(APPEND TOOL_TARGETS ${name})
endforeach()

# Scripts that the tests and the demo run with cscript sit beside the programs.
file(GLOB CLIENT_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.vbs ${CMAKE_SOURCE_DIR}/tools/*.js)
foreach(script IN LISTS CLIENT_SCRIPTS)
  get_filename_component(name ${script} NAME)
  configure_file(${script} ${OUTPUT_DIR}/${name} COPYONLY)
endforeach()

file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/support/*.cpp)
add_library(wine_test_support STATIC ${TEST_SUPPORT_SOURCES})
target_include_directories(wine_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/wine/support)
target_link_libraries(wine_test_support PUBLIC winlayer GTest::gtest ${TEST_SYSTEM_LIBS})

# The private prefix lives for one test run: made fresh before the first Wine
# test, its server shut down after the last.
add_test(NAME wine.prefix.start COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix start ${WINE_PREFIX_DIR})
add_test(NAME wine.prefix.stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-prefix stop ${WINE_PREFIX_DIR})
set_tests_properties(wine.prefix.start PROPERTIES FIXTURES_SETUP wine_prefix)
set_tests_properties(wine.prefix.stop PROPERTIES FIXTURES_CLEANUP wine_prefix)

file(GLOB WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*_test.cpp)
foreach(source IN LISTS WINE_TESTS)
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_link_libraries(${name} PRIVATE wine_test_support GTest::gtest)
  add_dependencies(${name} zevevov ${TOOL_TARGETS})
  add_test(NAME wine.${name} COMMAND ${name})
  # One prefix, one registry: tests that register classes or write keys must
  # not see each other's half-done work, so Wine tests run one at a time.
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 300 RESOURCE_LOCK wine_registry)
endforeach()
