# Checks what a run of the command costs beyond its own work: it must not load the C++ runtime,
# and its only heap blocks are stdio's own (a FILE and a buffer for the image and for each of the
# four outputs, and stdout's buffer).
#   cmake -DCOMMAND=... -DMAKE_DISK=... -DWORK_DIR=... -P check_cost.cmake
set(stdio_allocations 11)

execute_process(COMMAND readelf -d ${COMMAND} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${COMMAND}")
endif()
string(REGEX MATCHALL "NEEDED[^\n]*" needed "${dynamic}")
message(STATUS "shared libraries: ${needed}")
if(needed MATCHES "libstdc\\+\\+|libgcc_s")
  message(FATAL_ERROR "castle-extract loads the C++ runtime: ${needed}")
endif()

find_program(VALGRIND valgrind)
if(NOT VALGRIND)
  message(STATUS "valgrind not installed: heap allocations not counted")
  return()
endif()
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(COMMAND ${MAKE_DISK} castle ${WORK_DIR}/disk.d88 COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${VALGRIND} --error-exitcode=99 ${COMMAND} disk.d88
  WORKING_DIRECTORY ${WORK_DIR} OUTPUT_QUIET ERROR_VARIABLE report RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "valgrind run failed (${status}):\n${report}")
endif()
if(NOT report MATCHES "total heap usage: ([0-9,]+) allocs")
  message(FATAL_ERROR "no heap summary in:\n${report}")
endif()
string(REPLACE "," "" allocations "${CMAKE_MATCH_1}")
message(STATUS "heap allocations: ${allocations}")
if(allocations GREATER stdio_allocations)
  message(FATAL_ERROR "${allocations} heap allocations; stdio alone makes ${stdio_allocations}")
endif()
