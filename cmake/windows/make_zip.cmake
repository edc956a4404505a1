# Packs the Windows edition's zip from what cpack staged (its External generator runs this):
# the members in one sorted, fixed order under one folder, written by make_zip.mjs with the
# commit's time and nothing of the build machine, so that two builds of one commit give the same
# zip on any machine and any file system (a staging folder's listing follows the file system:
# tmpfs and ext4 list it in other orders).
file(GLOB staged RELATIVE ${CPACK_TEMPORARY_DIRECTORY} ${CPACK_TEMPORARY_DIRECTORY}/*)
list(SORT staged)
set(members)
foreach(name IN LISTS staged)
  list(APPEND members ${CPACK_PACKAGE_FILE_NAME}/${name}=${CPACK_TEMPORARY_DIRECTORY}/${name})
endforeach()
set(zip ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
execute_process(
  COMMAND ${CPACK_WINDOWS_NODE} ${CPACK_WINDOWS_ZIP_SCRIPT} ${zip} $ENV{SOURCE_DATE_EPOCH}
          ${members}
  COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "${zip}: ${staged}")
