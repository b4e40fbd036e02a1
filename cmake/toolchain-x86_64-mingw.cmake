# Cross-build of the test suite for 64-bit Windows, for machines whose kernel cannot run
# 32-bit x86 programs and so cannot start Wine's 32-bit side. The shipped programs are
# always the 32-bit build; this one only lets the same sources be tested under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
