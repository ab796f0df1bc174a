# The product's Windows layers as static libraries: the DLL links them, and
# the test tree links them into its test programs.
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
