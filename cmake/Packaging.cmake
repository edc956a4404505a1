# Debian packages: castle-extract (the commands and their man pages) and libd88-dev (the reader
# library, its headers and CMake package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The castle-extract developers")
set(CPACK_PACKAGE_CONTACT "castle-extract developers <castle-extract@example.org>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL tool dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME castle-extract)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOL_DESCRIPTION
  "extract the game files of The Castle and Castle Excellent from D88 images
castle-extract reads a D88 floppy disk image, recognises whether it holds the
game disk of The Castle or of Castle Excellent from the sector numbers on
track 79, and writes the game's four files PROG1, PROG2, MUSIC and VOICE into
the current directory, restoring the ones stored with inverted bytes.
It opens the archives and compressed files D88 images travel in (ZIP, LZH, 7z,
RAR, tar, gzip, xz, bzip2, zstd) through libarchive.
d88-info shows what a D88 file holds, and why a disk is not recognised.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libd88-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DESCRIPTION
  "reader library for D88 floppy disk image files (static library)
A small C++17 library that indexes the disk images of a D88 file, selects one,
reports its name and media type, and reads sectors by C, H, R, N: singly, in
runs across tracks, or as a track's list of sector IDs. It needs no C++ runtime.
Use it from CMake with find_package(d88 CONFIG REQUIRED) and the target d88::d88.")

include(CPack)
