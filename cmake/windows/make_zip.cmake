# Packs the Windows edition's zip from what cpack staged (its External generator runs this):
# the members in one sorted, fixed order, each carrying the commit's time in UTC, so that two
# builds of one commit give the same zip on any machine and any file system (a staging folder's
# listing follows the file system: tmpfs and ext4 list it in other orders).
set(folder ${CPACK_PACKAGE_FILE_NAME})
set(work ${CPACK_TOPLEVEL_DIRECTORY}/zip)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/${folder})
file(GLOB staged RELATIVE ${CPACK_TEMPORARY_DIRECTORY} ${CPACK_TEMPORARY_DIRECTORY}/*)
list(SORT staged)
set(members)
foreach(name IN LISTS staged)
  file(COPY ${CPACK_TEMPORARY_DIRECTORY}/${name} DESTINATION ${work}/${folder})
  list(APPEND members ${folder}/${name})
endforeach()
# The commit's time, which the configuration put in SOURCE_DATE_EPOCH; TIMESTAMP reads it.
string(TIMESTAMP time "%Y-%m-%d %H:%M:%S UTC" UTC)
set(zip ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip
          "--mtime=${time}" ${members}
  WORKING_DIRECTORY ${work}
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "${zip}: ${members}")
