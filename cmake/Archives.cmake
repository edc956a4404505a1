# Whether the commands open archives (ZIP, LZH, 7z, RAR, tar; gzip, xz, bzip2, zstd): on POSIX
# systems where libarchive and the four compression libraries are found. CASTLE_ARCHIVES is
# AUTO (the default: on where they are found, so that a bare machine with cmake and g++ still
# builds), ON (required: the package and CI; set in the environment or the cache) or OFF.
if(DEFINED ENV{CASTLE_ARCHIVES} AND NOT DEFINED CASTLE_ARCHIVES)
  set(CASTLE_ARCHIVES "$ENV{CASTLE_ARCHIVES}")
endif()
set(CASTLE_ARCHIVES AUTO CACHE STRING "Open archives through libarchive: AUTO, ON or OFF")
set_property(CACHE CASTLE_ARCHIVES PROPERTY STRINGS AUTO ON OFF)

set(CASTLE_OPENS_ARCHIVES OFF)
if(NOT WIN32 AND NOT EMSCRIPTEN AND NOT CASTLE_ARCHIVES STREQUAL "OFF")
  find_package(LibArchive 3.3 QUIET)
  find_package(ZLIB QUIET)
  find_package(LibLZMA QUIET)
  find_package(BZip2 QUIET)
  find_path(ZSTD_INCLUDE_DIR zstd.h)
  find_library(ZSTD_LIBRARY zstd)
  if(LibArchive_FOUND AND ZLIB_FOUND AND LIBLZMA_FOUND AND BZIP2_FOUND AND ZSTD_INCLUDE_DIR
     AND ZSTD_LIBRARY)
    set(CASTLE_OPENS_ARCHIVES ON)
  elseif(CASTLE_ARCHIVES STREQUAL "ON")
    message(FATAL_ERROR "CASTLE_ARCHIVES is ON, but libarchive or a compression library was not "
      "found: install libarchive-dev, zlib1g-dev, liblzma-dev, libbz2-dev and libzstd-dev")
  else()
    message(STATUS "Archives: libarchive-dev, zlib1g-dev, liblzma-dev, libbz2-dev or "
      "libzstd-dev not found; this build opens no archives (the commands say to unpack one "
      "first)")
  endif()
endif()
if(CASTLE_OPENS_ARCHIVES)
  message(STATUS "Archives: opened through libarchive, in a plugin")
elseif(CASTLE_ARCHIVES STREQUAL "OFF" AND NOT WIN32 AND NOT EMSCRIPTEN)
  message(STATUS "Archives: CASTLE_ARCHIVES is OFF; this build opens no archives")
endif()
