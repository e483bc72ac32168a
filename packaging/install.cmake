# What `cmake --install` puts where. On POSIX systems the usual layout of a terminal game:
#
#   games/floodvalley                      the command users start: a launcher (below)
#   lib/games/floodvalley/floodvalley      the demo itself, kept out of PATH
#   share/games/floodvalley/TEVDRONE.MP3   the soundtrack
#   share/games/floodvalley/floodvalley.html
#                                          the browser edition's page (FLOODVALLEY_BUILD_WEB)
#   bin/floodvalley-frames                 the frames tool
#   share/man/man6/floodvalley.6.gz, share/man/man1/floodvalley-frames.1.gz
#   share/applications/floodvalley.desktop and share/icons/hicolor/<n>x<n>/apps/floodvalley.png
#   share/doc/floodvalley/                 README (with docs/: its documents and pictures) and
#                                          the licence
#
# On Windows the zip's folder holds floodvalley.exe, TEVDRONE.MP3, floodvalley.html, README.txt
# and LICENSE.txt.
include(GNUInstallDirs)

option(FLOODVALLEY_DIST
       "A release build (tools/make-dist): every packaged file is required, documentation laid out as Debian's"
       OFF)

set(FLOODVALLEY_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(FLOODVALLEY_PACKAGING_OUT ${PROJECT_BINARY_DIR}/packaging)

# --- Directories ------------------------------------------------------------------------------

set(FLOODVALLEY_INSTALL_GAMESDIR "games"
    CACHE STRING "Where the floodvalley command goes (relative to the prefix, or absolute)")
set(FLOODVALLEY_INSTALL_PRIVATEDIR "lib/games/floodvalley"
    CACHE STRING "Where the demo's own executable (and any module of it) goes, out of PATH")
set(FLOODVALLEY_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/games/floodvalley"
    CACHE STRING "Where the soundtrack and the demo's other data go")

# The absolute form of an install directory, for the manual pages and the desktop entry.
function(floodvalley_full_dir dir out)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  endif()
endfunction()

# How the launcher finds a directory: relative to where it lies when both are relative to the
# prefix (so an installed tree can be moved), else by the absolute path.
function(floodvalley_path_from_games dir out)
  if(IS_ABSOLUTE "${dir}" OR IS_ABSOLUTE "${FLOODVALLEY_INSTALL_GAMESDIR}")
    floodvalley_full_dir("${dir}" full)
    set(${out} "${full}" PARENT_SCOPE)
  else()
    file(RELATIVE_PATH relative "/prefix/${FLOODVALLEY_INSTALL_GAMESDIR}" "/prefix/${dir}")
    set(${out} "$here/${relative}" PARENT_SCOPE)
  endif()
endfunction()

floodvalley_full_dir("${FLOODVALLEY_INSTALL_GAMESDIR}" FLOODVALLEY_FULL_GAMESDIR)
floodvalley_full_dir("${FLOODVALLEY_INSTALL_PRIVATEDIR}" FLOODVALLEY_FULL_PRIVATEDIR)
floodvalley_full_dir("${FLOODVALLEY_INSTALL_DATADIR}" FLOODVALLEY_FULL_DATADIR)

# --- Build steps of installed files -----------------------------------------------------------

# Manual pages are installed gzip-compressed, as Debian wants them; -n keeps the output the same
# from build to build (no name or time stamp in the header).
function(floodvalley_manual_page name section)
  set(page ${FLOODVALLEY_PACKAGING_OUT}/man/${name}.${section})
  configure_file(${FLOODVALLEY_PACKAGING_DIR}/man/${name}.${section}.in ${page} @ONLY)
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND gzip -9 -n -c ${page} > ${page}.gz
    DEPENDS ${page}
    COMMENT "Compressing the manual page ${name}(${section})")
  add_custom_target(floodvalley_man_${section} ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()

# The menu icon: the left 400x400 of the starting flag (ornament band, red over green), made at
# build time from the README still, so it follows the picture when the stills are remade.
# ImageMagick writes no time stamps with these options: the same still gives the same icons.
set(FLOODVALLEY_ICON_SIZES 16 32 48 64 128 256)
function(floodvalley_icons)
  find_program(FLOODVALLEY_CONVERT convert)
  if(NOT FLOODVALLEY_CONVERT)
    if(FLOODVALLEY_DIST)
      message(FATAL_ERROR "The menu icons need ImageMagick: run tools/setup/ensure-packages dist")
    endif()
    message(STATUS "The menu icons are not made: ImageMagick's convert is missing")
    return()
  endif()
  set(still ${PROJECT_SOURCE_DIR}/docs/pictures/1-starting-flag.png)
  set(icons)
  foreach(size IN LISTS FLOODVALLEY_ICON_SIZES)
    set(icon ${FLOODVALLEY_PACKAGING_OUT}/icons/${size}x${size}/floodvalley.png)
    add_custom_command(
      OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${FLOODVALLEY_PACKAGING_OUT}/icons/${size}x${size}
      COMMAND ${FLOODVALLEY_CONVERT} ${still} -crop 400x400+0+0 +repage -resize ${size}x${size}
              -strip -define png:exclude-chunks=date,time PNG32:${icon}
      DEPENDS ${still}
      COMMENT "Making the ${size}x${size} menu icon"
      VERBATIM)
    list(APPEND icons ${icon})
    install(FILES ${icon}
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(floodvalley_icons ALL DEPENDS ${icons})
endfunction()

# --- POSIX ------------------------------------------------------------------------------------

function(floodvalley_install_posix)
  # The demo plays TEVDRONE.MP3 from its current directory. The launcher starts it there and
  # replaces itself with it (exec): the key, the exit status and a death by signal are the
  # demo's own, and no second process stays.
  floodvalley_path_from_games("${FLOODVALLEY_INSTALL_DATADIR}" FLOODVALLEY_LAUNCH_DATADIR)
  floodvalley_path_from_games("${FLOODVALLEY_INSTALL_PRIVATEDIR}" FLOODVALLEY_LAUNCH_PRIVATEDIR)
  configure_file(${FLOODVALLEY_PACKAGING_DIR}/floodvalley.sh.in
                 ${FLOODVALLEY_PACKAGING_OUT}/floodvalley @ONLY)
  install(PROGRAMS ${FLOODVALLEY_PACKAGING_OUT}/floodvalley
          DESTINATION ${FLOODVALLEY_INSTALL_GAMESDIR})
  install(TARGETS floodvalley RUNTIME DESTINATION ${FLOODVALLEY_INSTALL_PRIVATEDIR})

  # The sound module the demo loads at run time goes beside the demo, where it looks first. It is
  # a plain shared object (not a program): no execute bits.
  install(TARGETS floodvalley_sound LIBRARY DESTINATION ${FLOODVALLEY_INSTALL_PRIVATEDIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

  install(FILES ${PROJECT_BINARY_DIR}/app/TEVDRONE.MP3 DESTINATION ${FLOODVALLEY_INSTALL_DATADIR})

  # The browser edition's single-file page, which web/ builds when FLOODVALLEY_BUILD_WEB is on,
  # lies beside the soundtrack. A release always has it: the dist-linux preset builds it.
  if(FLOODVALLEY_BUILD_WEB)
    install(FILES ${PROJECT_BINARY_DIR}/floodvalley.html DESTINATION ${FLOODVALLEY_INSTALL_DATADIR})
  elseif(FLOODVALLEY_DIST)
    message(FATAL_ERROR "A release needs the browser edition's page: configure with "
                        "FLOODVALLEY_BUILD_WEB=ON and run tools/setup/ensure-packages web")
  endif()

  if(TARGET floodvalley-frames)
    install(TARGETS floodvalley-frames RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    floodvalley_manual_page(floodvalley-frames 1)
  elseif(FLOODVALLEY_DIST)
    message(FATAL_ERROR "A release needs floodvalley-frames: run tools/setup/ensure-packages pictures")
  endif()
  floodvalley_manual_page(floodvalley 6)

  # Menus find the demo by name where the games directory is on the usual PATH.
  if(FLOODVALLEY_FULL_GAMESDIR STREQUAL "/usr/games"
     OR FLOODVALLEY_FULL_GAMESDIR STREQUAL "/usr/local/games")
    set(FLOODVALLEY_DESKTOP_EXEC floodvalley)
  else()
    set(FLOODVALLEY_DESKTOP_EXEC ${FLOODVALLEY_FULL_GAMESDIR}/floodvalley)
  endif()
  configure_file(${FLOODVALLEY_PACKAGING_DIR}/floodvalley.desktop.in
                 ${FLOODVALLEY_PACKAGING_OUT}/floodvalley.desktop @ONLY)
  install(FILES ${FLOODVALLEY_PACKAGING_OUT}/floodvalley.desktop
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
  floodvalley_icons()

  # The README links the documents and pictures of docs/ by relative paths, kept as they are.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs DESTINATION ${CMAKE_INSTALL_DOCDIR}
          FILES_MATCHING PATTERN "*.md" PATTERN "*.png")
  if(FLOODVALLEY_DIST)
    # Debian keeps the licence in the copyright file, and a native package's history in
    # changelog.gz; the lintian overrides say which of its warnings are meant.
    set(changelog ${FLOODVALLEY_PACKAGING_OUT}/changelog.gz)
    add_custom_command(
      OUTPUT ${changelog}
      COMMAND gzip -9 -n -c ${FLOODVALLEY_PACKAGING_DIR}/debian/changelog > ${changelog}
      DEPENDS ${FLOODVALLEY_PACKAGING_DIR}/debian/changelog
      COMMENT "Compressing the Debian changelog")
    add_custom_target(floodvalley_changelog ALL DEPENDS ${changelog})
    install(FILES ${FLOODVALLEY_PACKAGING_DIR}/debian/copyright ${changelog}
            DESTINATION ${CMAKE_INSTALL_DOCDIR})
    install(FILES ${FLOODVALLEY_PACKAGING_DIR}/debian/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME floodvalley)
  else()
    install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  endif()
endfunction()

# --- Windows ----------------------------------------------------------------------------------

# The soundtrack is rendered by a native tool, and the browser edition's page is assembled by
# native ones, so a cross build takes both from a native build.
set(FLOODVALLEY_SOUNDTRACK "" CACHE FILEPATH
    "TEVDRONE.MP3 of a native build, for the Windows install (the cross build cannot render it)")
set(FLOODVALLEY_WEB_PAGE "" CACHE FILEPATH
    "floodvalley.html of a native build with FLOODVALLEY_BUILD_WEB, for the Windows install")

# Text files with Windows line endings: Notepad and the console's `type` show them as written.
function(floodvalley_windows_text source name)
  configure_file(${source} ${FLOODVALLEY_PACKAGING_OUT}/${name} @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${FLOODVALLEY_PACKAGING_OUT}/${name} DESTINATION .)
endfunction()

# A file the cross build takes from a native build, installed as NAME from the path in the
# cache variable VARIABLE: a release without it stops, any other build says what it lacks.
function(floodvalley_install_native_file variable name origin)
  if(${variable})
    install(FILES ${${variable}} DESTINATION . RENAME ${name})
  elseif(FLOODVALLEY_DIST)
    message(FATAL_ERROR "The Windows zip needs ${variable}, the ${name} of ${origin}")
  else()
    message(STATUS "The install has no ${name}: set ${variable} to the ${name} of ${origin}")
  endif()
endfunction()

function(floodvalley_install_windows)
  install(TARGETS floodvalley RUNTIME DESTINATION .)
  floodvalley_install_native_file(FLOODVALLEY_SOUNDTRACK TEVDRONE.MP3 "a native build")
  floodvalley_install_native_file(FLOODVALLEY_WEB_PAGE floodvalley.html
                                  "a native build with FLOODVALLEY_BUILD_WEB")
  floodvalley_windows_text(${FLOODVALLEY_PACKAGING_DIR}/windows/README.txt.in README.txt)
  floodvalley_windows_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
endfunction()

if(WIN32)
  floodvalley_install_windows()
else()
  floodvalley_install_posix()
endif()
