# Helpers shared by every directory: warning flags, sanitizers, tests.

function(orkv_project_flags target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  if(ORKV_SANITIZE AND NOT WIN32)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer
                                             -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
  if(WIN32)
    # No runtime DLLs beside ours; no time stamp in the PE headers, so that one
    # commit always gives the same bytes; Release binaries carry no symbols.
    target_link_options(${target} PRIVATE -static -Wl,--no-insert-timestamp
                                          $<$<CONFIG:Release>:-s>)
    # Nor build-tree paths (file names in assertions and the like).
    target_compile_options(${target} PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
                                             -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
  endif()
endfunction()

if(WIN32)
  # Windows programs run under Wine in a prefix of the build tree's own.
  set(ORKV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  set(ORKV_WINE_SESSION ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh)
  # The exit code by which a test says it did not run (CTest reports it as
  # skipped): the 32-bit build's tests skip where 32-bit programs cannot run.
  set(ORKV_SKIP_EXIT_CODE 77)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ORKV_WINE_RUN_SKIPS 1)
  else()
    set(ORKV_WINE_RUN_SKIPS 0)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()

# orkv_add_test(name SOURCES ... LIBS ... [REGISTRY] [DEPENDS targets...])
# Builds a GoogleTest program and registers it with CTest. Windows tests run under
# Wine inside the "wine" fixture; REGISTRY serialises tests that (un)register the
# plug-ins in the shared prefix.
function(orkv_add_test name)
  cmake_parse_arguments(T "REGISTRY" "" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  orkv_project_flags(${name})
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(WIN32)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
    if(ORKV_WINE_RUN_SKIPS)
      set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE ${ORKV_SKIP_EXIT_CODE})
    endif()
    if(T_REGISTRY)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK registry)
    endif()
  endif()
endfunction()
