# GoogleTest from Debian's sources, built for whichever target this tree builds.
set(SETUP_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)

function(setup_add_gtest_sources)
  if(NOT TARGET gtest)
    add_subdirectory(${SETUP_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    foreach(t gtest gtest_main)
      target_compile_options(${t} PRIVATE -Wno-error)
    endforeach()
  endif()
endfunction()

# setup_add_native_test(name sources...): a native GoogleTest program, one CTest entry.
function(setup_add_native_test name)
  setup_add_gtest_sources()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE setup_core gtest gtest_main)
  add_test(NAME ${name} COMMAND ${name})
endfunction()

# setup_add_windows_test(name SOURCES ... [RESOURCES ...] [WINE_ARGS ...] [ARGS ...] [LABELS ...])
# A GoogleTest program run under Wine in a private prefix (cmake/wine-run); it
# links setup_win and the program's dialog resources unless NO_SETUP_RESOURCES.
function(setup_add_windows_test name)
  cmake_parse_arguments(T "NO_SETUP_RESOURCES" "TIMEOUT" "SOURCES;RESOURCES;WINE_ARGS;ARGS;LABELS;DEPENDS" ${ARGN})
  setup_add_gtest_sources()
  add_executable(${name} ${T_SOURCES} ${T_RESOURCES})
  if(NOT T_NO_SETUP_RESOURCES)
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/res/setup.rc)
    add_dependencies(${name} setup_resources)
  endif()
  target_link_libraries(${name} PRIVATE setup_win gtest gtest_main ${SETUP_STATIC_LINK})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/windows)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  # The emulator runs the program in a private prefix, or ends with 77 (skipped)
  # where this machine cannot run programs of its kind; WINE_ARGS may name files
  # to copy beside it (--with $<TARGET_FILE:setup>) or registry files to seed;
  # ARGS go to the program itself.
  add_test(NAME ${name} COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} ${T_WINE_ARGS} $<TARGET_FILE:${name}>
    ${T_ARGS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "windows;${T_LABELS}"
    SKIP_RETURN_CODE 77)
endfunction()
