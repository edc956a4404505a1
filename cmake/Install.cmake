# Install layout and the exported CMake package of the reader library:
#   bin/castle-extract, bin/d88-info, lib/castle-extract/castle-archive.so (opens archives),
#   share/man/man1/{castle-extract,d88-info}.1.gz,
#   lib/libd88.a, include/d88/*.h, lib/cmake/d88/ (find_package(d88) gives d88::d88),
#   share/doc/<package>/copyright.
# Components: "tool" (the command) and "dev" (the library), packaged separately.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(D88_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/d88)

install(TARGETS castle-extract d88-info RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
# The archive plugin, where the commands look for it: ../lib/castle-extract from their folder, a
# folder of the package's own (not the multiarch library folder, which the programs do not know).
if(CASTLE_OPENS_ARCHIVES)
  install(TARGETS castle-archive LIBRARY DESTINATION lib/castle-extract COMPONENT tool)
endif()

# Man pages go in gzipped, as Debian ships them. The pages in man/ carry no version, so that
# they read the same with man -l before a build; the installed ones get the project's.
find_program(GZIP gzip REQUIRED)
function(install_man_page page)
  set(source ${PROJECT_SOURCE_DIR}/man/${page})
  set(versioned ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} text)
  string(REGEX REPLACE "((^|\n)\\.TH [^\n]*\"castle-extract)\"" "\\1 ${PROJECT_VERSION}\""
    text "${text}")
  file(WRITE ${versioned} "${text}")
  set(gz ${versioned}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${GZIP} -9nc ${versioned} > ${gz}
    DEPENDS ${source}
    VERBATIM)
  add_custom_target(man_${page} ALL DEPENDS ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
endfunction()
install_man_page(castle-extract.1)
install_man_page(d88-info.1)

install(TARGETS d88 EXPORT d88Targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/d88/d88image.h ${PROJECT_SOURCE_DIR}/d88/d88format.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/d88 COMPONENT dev)
install(EXPORT d88Targets NAMESPACE d88:: DESTINATION ${D88_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/d88Config.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/d88Config.cmake INSTALL_DESTINATION ${D88_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/d88ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/d88Config.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/d88ConfigVersion.cmake
  DESTINATION ${D88_CMAKE_DIR} COMPONENT dev)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE RENAME copyright
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/castle-extract COMPONENT tool)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE RENAME copyright
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/libd88-dev COMPONENT dev)
