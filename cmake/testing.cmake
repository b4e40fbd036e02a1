# Every test is a Windows program run under Wine through our wrapper.
set(VXL_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
  @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
enable_testing()

# vxl_add_test(NAME <name> SOURCES ... LIBS ... [LABEL unit|e2e] [ARCH win32|wow64]
#              [PRIVATE_PREFIX] [TIMEOUT s])
# One CTest entry per executable: starting Wine costs about a second.
function(vxl_add_test)
  cmake_parse_arguments(T "PRIVATE_PREFIX" "NAME;LABEL;ARCH;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT VXL_BUILD_TESTS)
    return()
  endif()
  if(NOT T_LABEL)
    set(T_LABEL unit)
  endif()
  if(NOT T_ARCH)
    set(T_ARCH win32)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VXL_TEST_BIN_DIR})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main vxl_common)
  # Windows-side path of the program folder, for tests that start our programs.
  string(REPLACE "/" "\\" win_program_dir "Z:${VXL_PROGRAM_DIR}")
  set(prefix shared)
  if(T_PRIVATE_PREFIX)
    set(prefix private)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no)
  set_tests_properties(${T_NAME} PROPERTIES
    LABELS ${T_LABEL}
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "VXL_WINE_ARCH=${T_ARCH};VXL_WINE_PREFIX=${prefix};VXL_PROGRAM_DIR=${win_program_dir}")
endfunction()
