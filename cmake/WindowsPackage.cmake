# The Windows edition: castle-extract-<version>-win64.zip with the two programs, a README.txt
# for people who unzip it, and the licence, both with Windows line endings.
install(TARGETS castle-extract d88-info RUNTIME DESTINATION .)

function(install_windows_text source name)
  file(READ ${source} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(REPLACE "@VERSION@" "${PROJECT_VERSION}" text "${text}")
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/windows/${name} "${text}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/windows/${name} DESTINATION .)
endfunction()
install_windows_text(${PROJECT_SOURCE_DIR}/cmake/windows-README.txt README.txt)
install_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)

# The keys of d88-info's JSON, from its manual page, for a Windows user who has no man.
set(json_keys ${CMAKE_CURRENT_BINARY_DIR}/windows/d88-info-json-lf.txt)
execute_process(COMMAND ${NODE} ${PROJECT_SOURCE_DIR}/cmake/windows/man_section_to_text.mjs
                        ${PROJECT_SOURCE_DIR}/man/d88-info.1 "JSON OUTPUT"
                        "d88-info --json: the keys of its JSON document" ${json_keys}
                COMMAND_ERROR_IS_FATAL ANY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/d88-info.1
             ${PROJECT_SOURCE_DIR}/cmake/windows/man_section_to_text.mjs)
install_windows_text(${json_keys} d88-info-json.txt)

# Two builds of one commit make the same zip: its entries carry the commit's time, not the
# build's (cpack reads SOURCE_DATE_EPOCH; the config script below sets it as cpack runs).
execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE git_status ERROR_QUIET)
if(NOT git_status EQUAL 0 OR NOT commit_time MATCHES "^[0-9]+$")
  set(commit_time 315532800)  # outside a git checkout: 1980-01-01, the first time a zip holds
endif()
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/windows/package-time.cmake
     "set(ENV{SOURCE_DATE_EPOCH} ${commit_time})\n")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_BINARY_DIR}/windows/package-time.cmake)

# The zip itself is packed by a script of ours, in a sorted order of members (cpack's own ZIP
# follows the staging folder's listing, which differs from one file system to another).
set(CPACK_GENERATOR External)
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/windows/make_zip.cmake)
set(CPACK_WINDOWS_NODE ${NODE})
set(CPACK_WINDOWS_ZIP_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/windows/make_zip.mjs)
set(CPACK_PACKAGE_NAME castle-extract)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME castle-extract-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
