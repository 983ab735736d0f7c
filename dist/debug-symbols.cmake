# Run at install time (see zelto_debug_symbols in dist/CMakeLists.txt): installs the debug
# information of the built program ZELTO_PROGRAM as lib/debug/.build-id/NN/REST.debug under the
# install prefix, where gdb finds it by the build ID that the stripped program keeps.
# ZELTO_READELF and ZELTO_OBJCOPY name the tools.
execute_process(COMMAND ${ZELTO_READELF} -n ${ZELTO_PROGRAM} OUTPUT_VARIABLE notes
    COMMAND_ERROR_IS_FATAL ANY)
if(NOT notes MATCHES "Build ID: ([0-9a-f][0-9a-f])([0-9a-f]+)")
    message(FATAL_ERROR "${ZELTO_PROGRAM} has no build ID to find its debug information by")
endif()
set(folder "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/lib/debug/.build-id/${CMAKE_MATCH_1}")
set(debug "${folder}/${CMAKE_MATCH_2}.debug")
message(STATUS "Installing: ${debug}")
file(MAKE_DIRECTORY ${folder})
# As Debian's own packages do: only the debug sections, compressed.
execute_process(
    COMMAND ${ZELTO_OBJCOPY} --only-keep-debug --compress-debug-sections ${ZELTO_PROGRAM} ${debug}
    COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD ${debug} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
