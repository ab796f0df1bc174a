# The DLL itself. Built in a tree of its own with the -win32 compiler variant
# (cmake/windows.cmake): the -posix one links winpthreads, whose thread
# control imports a DLL that starts no thread has no use for.
# The DLL: process records, exported entry points, registration, class list,
# and the C++ runtime's fixes for living in a host process.
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
  server/module_path.cpp
  server/neutral_locale_alias.cpp
  server/registration.cpp
  server/registration_entry_points.cpp
  server/registration_keys_snapshot.cpp
  server/registration_script.cpp
  server/registry_views.cpp
  server/server_module.cpp
  runtime/runtime_buffers.cpp
  runtime/terminate_handler.cpp
  ${RESOURCE_SCRIPT}
  ${GENERATED_DIR}/VeltaraDeskZevEvov.def)
set_target_properties(zevevov PROPERTIES PREFIX "" OUTPUT_NAME ${DLL_NAME})
target_link_libraries(zevevov PRIVATE viewer_win registrar_win comframe)
target_link_options(zevevov PRIVATE -s -Wl,--gc-sections -Wl,--dynamicbase -Wl,--nxcompat)
# The 32-bit file registers no SEH handler (exceptions unwind through DWARF
# tables, and the C runtime's start-up sets up no SEH frame), so it says so in
# place of a SafeSEH table; the 64-bit file takes the full ASLR range.
# The preferred base is fixed: the linker's automatic one is a hash of the
# output path, so two build folders would give two different files.
# The 32-bit file links its own registry of unwind frames: the runtime's
# leaves a semaphore open on every unload (runtime/frame_table.cpp). That
# registry finds the module's .eh_frame by its section name, which only a
# short name keeps in the mapped headers.
if(DLL_BITS EQUAL 32)
  target_sources(zevevov PRIVATE runtime/frame_table.cpp)
  # Its table is zero at load; mingw's g++ puts a zero object of its own data
  # section into the file (48 KB here), and only common storage into .bss.
  set_source_files_properties(runtime/frame_table.cpp PROPERTIES COMPILE_OPTIONS -fno-data-sections)
  target_link_options(zevevov PRIVATE -Wl,--no-seh -Wl,--image-base=0x67A40000 -Wl,--disable-long-section-names)
else()
  target_link_options(zevevov PRIVATE -Wl,--high-entropy-va -Wl,--image-base=0x267A40000)
endif()
