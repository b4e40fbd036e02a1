# Every test is a Windows program run under Wine through our wrapper.
set(VXL_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  # The 64-bit test build (cmake/toolchain-x86_64-mingw.cmake) has one road: a 64-bit
  # prefix and Wine's 64-bit loader. The WoW64 road is a 32-bit process's view and has no
  # meaning there, so tests meant for it are not run.
  set(VXL_WINE_LOADER /usr/lib/wine/wine64)
  set(VXL_WINE_ONE_ROAD win64)
else()
  set(VXL_WINE_LOADER wine)
  set(VXL_WINE_ONE_ROAD "")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
  @ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
enable_testing()

# vxl_add_test(NAME <name> SOURCES ... LIBS ... [LABEL unit|e2e] [ARCH win32|wow64|both]
#              [PRIVATE_PREFIX [VIRTUAL_DESKTOP [DESKTOP WxH]]] [TIMEOUT s])
# One CTest entry per executable and prefix: starting Wine costs about a second.
# ARCH both runs the executable once on each road (32-bit Windows and WoW64).
# VIRTUAL_DESKTOP runs the test and every program it starts inside a 1024x768 Wine virtual
# desktop (DESKTOP gives another size) with a taskbar and notification area. On a bare X
# server Wine waits 2 s for a window manager each time a visible top-level window is hidden or destroyed; inside the
# desktop its windows are not X windows, so it does not wait and activation stays in Wine.
function(vxl_add_test)
  cmake_parse_arguments(T "PRIVATE_PREFIX;VIRTUAL_DESKTOP" "NAME;LABEL;ARCH;TIMEOUT;DESKTOP" "SOURCES;LIBS" ${ARGN})
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
  set(desktop "")
  if(T_VIRTUAL_DESKTOP)
    if(NOT T_PRIVATE_PREFIX)
      message(FATAL_ERROR "${T_NAME}: VIRTUAL_DESKTOP needs PRIVATE_PREFIX (the desktop is set in the prefix)")
    endif()
    set(desktop 1024x768)
    if(T_DESKTOP)
      set(desktop ${T_DESKTOP})
    endif()
  endif()
  if(VXL_WINE_ONE_ROAD)
    set(runs "")
    if(NOT T_ARCH STREQUAL "wow64")
      set(runs "${T_NAME}:${VXL_WINE_ONE_ROAD}")
    endif()
  elseif(T_ARCH STREQUAL "both")
    set(runs "${T_NAME}:win32" "${T_NAME}_wow64:wow64")
  else()
    set(runs "${T_NAME}:${T_ARCH}")
  endif()
  foreach(run IN LISTS runs)
    string(REPLACE ":" ";" run "${run}")
    list(GET run 0 test_name)
    list(GET run 1 arch)
    add_test(NAME ${test_name} COMMAND ${T_NAME} --gtest_color=no)
    set_tests_properties(${test_name} PROPERTIES
      LABELS ${T_LABEL}
      TIMEOUT ${T_TIMEOUT}
      ENVIRONMENT
        "VXL_WINE_ARCH=${arch};VXL_WINE_PREFIX=${prefix};VXL_WINE_DESKTOP=${desktop};VXL_PROGRAM_DIR=${win_program_dir}")
  endforeach()
endfunction()
