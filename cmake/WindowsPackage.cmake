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

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME castle-extract)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME castle-extract-${PROJECT_VERSION}-win64)
set(CPACK_STRIP_FILES ON)
include(CPack)
