# Version resources of our programs and libraries.
#
# vxl_add_version_info(<target> DESCRIPTION <text> [INTERNAL_NAME <name>])
# Gives the target a VERSIONINFO in US English (LANGUAGE statement and translation
# 0409/1200) with the project's version as file and product version, written "a, b, c, d"
# in the string values as the version readers expect, the description as FileDescription
# and the built file's name as OriginalFilename. INTERNAL_NAME defaults to the target name.
set(VXL_VERSION_INFO_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rc.in)

function(vxl_add_version_info target)
  cmake_parse_arguments(VI "" "DESCRIPTION;INTERNAL_NAME" "" ${ARGN})
  if(NOT VI_DESCRIPTION)
    message(FATAL_ERROR "vxl_add_version_info(${target}): DESCRIPTION is required")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(VXL_VI_FILETYPE VFT_APP)
  elseif(type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "MODULE_LIBRARY")
    set(VXL_VI_FILETYPE VFT_DLL)
  else()
    message(FATAL_ERROR "vxl_add_version_info(${target}): not a program or a DLL (${type})")
  endif()

  set(VXL_VI_TARGET ${target})
  set(VXL_VI_DESCRIPTION ${VI_DESCRIPTION})
  set(VXL_VI_INTERNAL_NAME ${target})
  if(VI_INTERNAL_NAME)
    set(VXL_VI_INTERNAL_NAME ${VI_INTERNAL_NAME})
  endif()
  set(VXL_VI_COMPANY "Halvered")
  set(VXL_VI_PRODUCT "Vexlora")
  set(VXL_VI_COPYRIGHT "Copyright © Halvered")
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(value ${PROJECT_VERSION_${part}})
    if("${value}" STREQUAL "")
      set(value 0)
    endif()
    list(APPEND numbers ${value})
  endforeach()
  list(GET numbers 0 VXL_VI_V1)
  list(GET numbers 1 VXL_VI_V2)
  list(GET numbers 2 VXL_VI_V3)
  list(GET numbers 3 VXL_VI_V4)

  # configure_file fills the project values; file(GENERATE) then the built file's name.
  set(stage ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc.in)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${VXL_VERSION_INFO_TEMPLATE} ${stage} @ONLY)
  file(GENERATE OUTPUT ${rc} INPUT ${stage})
  target_sources(${target} PRIVATE ${rc})
endfunction()
