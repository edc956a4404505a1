# Builds a consumer project against the reader library, as another project would use it, and
# checks that it reads a sector of a disk made by the tests.
#   MODE=installed: installs the build into a fresh prefix and uses the installed CMake package.
#   MODE=subdirectory: adds the source tree with add_subdirectory, which must build only the
#   library.
#   cmake -DMODE=... -DBUILD_DIR=... -DPROJECT_DIR=... -DWORK_DIR=... -DMAKE_DISK=...
#         -P run_consumer_test.cmake
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

if(MODE STREQUAL "installed")
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  foreach(installed bin/castle-extract bin/d88-info share/man/man1/castle-extract.1.gz
      share/man/man1/d88-info.1.gz include/d88/d88image.h include/d88/d88format.h)
    if(NOT EXISTS ${prefix}/${installed})
      message(FATAL_ERROR "not installed: ${installed}")
    endif()
  endforeach()
  set(consumer ${PROJECT_DIR}/tests/consumer)
  set(options -DCMAKE_PREFIX_PATH=${prefix})
else()
  set(consumer ${PROJECT_DIR}/tests/consumer_subdirectory)
  set(options -DCASTLE_EXTRACT_SOURCE_DIR=${PROJECT_DIR})
endif()

execute_process(COMMAND ${MAKE_DISK} castle ${WORK_DIR}/disk.d88 COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -S ${consumer} -B ${WORK_DIR}/build
  -DCMAKE_BUILD_TYPE=Release ${options} OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${WORK_DIR}/build/read-one-sector ${WORK_DIR}/disk.d88
  OUTPUT_VARIABLE output RESULT_VARIABLE status)

if(MODE STREQUAL "subdirectory")
  file(GLOB_RECURSE built LIST_DIRECTORIES false RELATIVE ${WORK_DIR}/build
    ${WORK_DIR}/build/*castle-extract ${WORK_DIR}/build/*d88-info ${WORK_DIR}/build/*_tests
    ${WORK_DIR}/build/*.gz)
  if(built)
    message(FATAL_ERROR "add_subdirectory built more than the library: ${built}")
  endif()
endif()

# The first record of the disk follows the 688-byte header: its data starts 16 bytes later.
file(READ ${WORK_DIR}/disk.d88 data OFFSET 704 LIMIT 8 HEX)
string(REGEX REPLACE "(..)" " \\1" data "${data}")
set(expected "THE CASTLE DEMO: 256 bytes:${data}\n")
if(NOT status EQUAL 0 OR NOT output STREQUAL expected)
  message(FATAL_ERROR "consumer printed '${output}' (exit ${status}), expected '${expected}'")
endif()
message(STATUS "consumer (${MODE}): ${output}")
