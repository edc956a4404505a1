# Installs the build into a fresh temporary prefix, builds the consumer project against the
# installed CMake package, and checks that it reads a sector of a disk made by the tests.
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DMAKE_DISK=... -P run_consumer_test.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
foreach(installed bin/castle-extract bin/d88-info share/man/man1/castle-extract.1.gz
    share/man/man1/d88-info.1.gz include/d88/d88image.h include/d88/d88format.h)
  if(NOT EXISTS ${prefix}/${installed})
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

execute_process(COMMAND ${MAKE_DISK} castle ${WORK_DIR}/disk.d88 COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WORK_DIR}/build/read-one-sector ${WORK_DIR}/disk.d88
  OUTPUT_VARIABLE output RESULT_VARIABLE status)

# The first record of the disk follows the 688-byte header: its data starts 16 bytes later.
file(READ ${WORK_DIR}/disk.d88 data OFFSET 704 LIMIT 8 HEX)
string(REGEX REPLACE "(..)" " \\1" data "${data}")
set(expected "THE CASTLE DEMO: 256 bytes:${data}\n")
if(NOT status EQUAL 0 OR NOT output STREQUAL expected)
  message(FATAL_ERROR "consumer printed '${output}' (exit ${status}), expected '${expected}'")
endif()
message(STATUS "consumer: ${output}")
