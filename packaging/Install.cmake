# Install rules (GNUInstallDirs) and the Debian package (CPack).
#
# `cmake --install build --prefix P` gives a tree that runs from P: the player
# finds the example in P/share/demoplayer/examples/demo relative to itself.
# With DEMOPLAYER_DEBIAN_PACKAGE (tools/make-deb.sh) the documentation folder
# holds what Debian's policy asks for instead of the plain licence.

option(DEMOPLAYER_DEBIAN_PACKAGE "Lay out the documentation as a Debian package does" OFF)

set(packaging ${CMAKE_CURRENT_LIST_DIR})
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/demoplayer)

install(TARGETS demoplayer demoplayer-scene RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY examples/demo DESTINATION ${CMAKE_INSTALL_DATADIR}/demoplayer/examples)

# Manual pages: written once in scdoc, made into troff at build time and
# compressed as man-db and Debian expect.
find_program(SCDOC scdoc)
if(NOT SCDOC)
  message(FATAL_ERROR "scdoc is needed for the manual pages (tools/install-deps.sh installs it)")
endif()
set(manual_pages)
foreach(page demoplayer.1 demoplayer-scene.1)
  set(source ${packaging}/man/${page}.scd)
  set(troff ${CMAKE_CURRENT_BINARY_DIR}/man/${page})
  add_custom_command(OUTPUT ${troff}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND sh -c "'${SCDOC}' < '${source}' > '${troff}' && gzip -9n -c '${troff}' > '${troff}.gz'"
    DEPENDS ${source}
    COMMENT "Manual page ${page}"
    VERBATIM)
  list(APPEND manual_pages ${troff}.gz)
endforeach()
add_custom_target(manual_pages ALL DEPENDS ${manual_pages})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# Desktop: a menu entry that opens a demo's folder or script, the file types
# of scripts and scenes, the icon, and completion for bash.
install(FILES ${packaging}/demoplayer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/demoplayer-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME demoplayer.xml)
install(FILES ${packaging}/demoplayer.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# What software centres show of the player.
install(FILES ${packaging}/org.example.demoplayer.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/completion/demoplayer ${packaging}/completion/demoplayer-scene
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

install(FILES README.md DESTINATION ${docdir})
if(DEMOPLAYER_DEBIAN_PACKAGE)
  # Debian's changelog of the package, one entry for this version.
  string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  set(changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.Debian)
  file(WRITE ${changelog}
    "demoplayer (${PROJECT_VERSION}-1) unstable; urgency=medium\n\n"
    "  * Package of demoplayer ${PROJECT_VERSION}.\n\n"
    " -- ${DEMOPLAYER_MAINTAINER}  ${changelog_date}\n")
  add_custom_command(OUTPUT ${changelog}.gz
    COMMAND sh -c "gzip -9n -c '${changelog}' > '${changelog}.gz'"
    DEPENDS ${changelog} VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${changelog}.gz)
  install(FILES ${packaging}/copyright ${changelog}.gz DESTINATION ${docdir})
else()
  install(FILES LICENSE DESTINATION ${docdir})
endif()

# cpack -G DEB in the build folder (tools/make-deb.sh builds it as Debian
# would: installed under /usr, hardened, stripped).
set(CPACK_PACKAGE_NAME demoplayer)
set(CPACK_PACKAGE_VENDOR "the demoplayer developers")
set(CPACK_PACKAGE_CONTACT "${DEMOPLAYER_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual demo player")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://demoplayer.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The overlay's and the dialog's fonts are found through fontconfig.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
# The extended description, below the summary; CPack indents it, a blank
# line becomes a paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Plays demos: presentations of pictures, text, 2D effects and animated 3D
scenes with fog and stencil shadows, scripted on a timeline and played in
step with their music (WAV, FLAC, Ogg Vorbis, Opus, MP3 and tracker
modules) in an OpenGL window or full screen.

Authors check scripts, reload them live with pause and seek, capture frames
and export videos with the music; demoplayer-scene imports 3D models from
glTF, OBJ, FBX, Collada and other formats into the player's scene files.")
include(CPack)
