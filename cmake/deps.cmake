# Third-party code: installed by scripts/setup.sh, never kept in the tree.
# Built with the cross compiler and without our warning flags.

function(vxl_read_stamp name out)
  set(stamp ${PROJECT_SOURCE_DIR}/deps/${name}.stamp)
  if(NOT EXISTS ${stamp})
    message(FATAL_ERROR "${name} sources are missing: run scripts/setup.sh first")
  endif()
  file(STRINGS ${stamp} dir LIMIT_COUNT 1)
  set(${out} ${dir} PARENT_SCOPE)
endfunction()

# zlib: Debian's mingw build, linked statically.
find_library(VXL_ZLIB_A NAMES libz.a REQUIRED)
add_library(vxl_zlib STATIC IMPORTED GLOBAL)
set_target_properties(vxl_zlib PROPERTIES IMPORTED_LOCATION ${VXL_ZLIB_A})

# TinyXML from Debian's source package (its patches applied by apt-get source).
vxl_read_stamp(tinyxml TINYXML_DIR)
add_library(tinyxml STATIC
  ${TINYXML_DIR}/tinystr.cpp ${TINYXML_DIR}/tinyxml.cpp
  ${TINYXML_DIR}/tinyxmlerror.cpp ${TINYXML_DIR}/tinyxmlparser.cpp)
target_include_directories(tinyxml SYSTEM PUBLIC ${TINYXML_DIR})
target_compile_definitions(tinyxml PUBLIC TIXML_USE_STL)

# minizip from zlib's source package (contrib/minizip).
vxl_read_stamp(zlib ZLIB_SRC_DIR)
set(MINIZIP_DIR ${ZLIB_SRC_DIR}/contrib/minizip)
add_library(minizip STATIC
  ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/iowin32.c ${MINIZIP_DIR}/unzip.c
  ${MINIZIP_DIR}/zip.c ${MINIZIP_DIR}/mztools.c)
target_include_directories(minizip SYSTEM PUBLIC ${MINIZIP_DIR})
target_compile_definitions(minizip PRIVATE NOCRYPT)
target_link_libraries(minizip PUBLIC vxl_zlib)

# GoogleTest from Debian's googletest sources.
if(VXL_BUILD_TESTS)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
