# Programs and libraries of the program folder.
#
# vxl_ship(<target>)
# The shipped file carries no debug information: it is most of a file's size, and a
# program that stays resident all day should not carry it. The debug information is
# kept beside the build in debug/<file>.debug, named in the shipped file by a debug
# link, so a crash address from a user's machine can still be read with gdb or addr2line.
set(VXL_DEBUG_DIR ${CMAKE_BINARY_DIR}/debug)

#
# Sections are aligned in the file as in memory (4 KB), so the loader can map the file
# instead of copying it: under Wine a copied image is private memory of every process.
function(vxl_ship target)
  target_link_options(${target} PRIVATE -Wl,--file-alignment,4096)
  set(debug_file ${VXL_DEBUG_DIR}/$<TARGET_FILE_NAME:${target}>.debug)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${VXL_DEBUG_DIR}
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> ${debug_file}
    COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${debug_file} $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
