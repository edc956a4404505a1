# Gives a Windows program its resources: a version resource from the project's one version
# and the copyright line of its licence, a manifest, and the icon, drawn by a script when the
# build is configured (so that no picture is checked in as a binary; a change to the script
# configures again).
find_program(NODE node REQUIRED)
set(windows_icon ${PROJECT_BINARY_DIR}/windows/castle-extract.ico)
set(windows_icon_script ${PROJECT_SOURCE_DIR}/cmake/windows/make_icon.mjs)
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/windows)
execute_process(COMMAND ${NODE} ${windows_icon_script} ${windows_icon} COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${windows_icon_script})
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE windows_copyright REGEX "^Copyright" LIMIT_COUNT 1)

function(add_windows_resources target description)
  set(NAME ${target})
  set(DESCRIPTION ${description})
  set(VERSION ${PROJECT_VERSION})
  set(VERSION_QUAD ${PROJECT_VERSION}.0)
  string(REPLACE "." "," VERSION_COMMAS ${VERSION_QUAD})
  set(COPYRIGHT ${windows_copyright})
  set(MANIFEST ${PROJECT_BINARY_DIR}/windows/${target}.manifest)
  set(ICON ${windows_icon})
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/app.manifest.in ${MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/resources.rc.in
                 ${PROJECT_BINARY_DIR}/windows/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/windows/${target}.rc)
  set_source_files_properties(${PROJECT_BINARY_DIR}/windows/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${MANIFEST};${windows_icon}")
endfunction()
