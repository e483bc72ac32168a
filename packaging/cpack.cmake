# The packages made from an install (`cpack`, run by tools/make-dist): a Debian package on Linux,
# a zip on Windows. Each holds exactly what install.cmake installs.
set(CPACK_PACKAGE_NAME floodvalley)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the floodvalley developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running audiovisual textmode demo")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# Shipped programs carry no symbols: Debian wants them stripped, and the zip is smaller.
set(CPACK_STRIP_FILES ON)
set(FLOODVALLEY_PACKAGE_MAINTAINER "the floodvalley developers <floodvalley@packages.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME floodvalley-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
  # Unpacked anywhere, the zip makes one folder of its own rather than spilling its files.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  # The package installs where the configuration says, so that the paths in the manual pages
  # are the paths in the package (the dist preset sets /usr).
  set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # floodvalley_<version>_<arch>.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FLOODVALLEY_PACKAGE_MAINTAINER}")
  # Dependencies come from the programs' own shared-library needs (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # A module installed beside the demo is a private library: list its directory here, e.g.
  #   set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/<module's build dir>)
  # Only the frames tool's picture formats use the console font.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "console-setup-linux")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[
Started in a terminal, floodvalley turns the screen into a grid of 80 by 50
coloured character cells, plays its soundtrack, and for 75 seconds animates a
crawling picture of random glyphs in the colours of a flag: red over green,
with a shimmering white-and-red ornament band down the left edge. After 12
seconds the flag is gradually flooded, and at fixed seconds block-capital
captions are cut into the picture as black strokes.

The demo ends by itself after 75 seconds, or at once on a key press, and
always leaves the terminal as it was. It runs in any terminal that takes ANSI
escape sequences, in 16 colours or, where the terminal advertises it, in 24-bit
colour.

The package also holds floodvalley-frames, which prints the demo's frames
without a terminal: as text, as terminal bytes, as PNG pictures or as a
YUV4MPEG2 video, and the browser edition: the same demo as one web page,
opened from disk in a web browser.]=])
endif()

include(CPack)
