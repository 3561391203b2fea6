# make package: one Debian package (CPack's DEB generator) holding whatever the install
# rules of the targets put in place, plus Debian's own documentation files.
include(GNUInstallDirs)

set(OSTRANE_PACKAGE_MAINTAINER "Ostrane maintainers <maintainers@ostrane.example>"
    CACHE STRING "The package's Maintainer field and the changelog's signature")
set(docdir ${CMAKE_INSTALL_DATAROOTDIR}/doc/corvissa)

# The changelog's entry is the release's, dated in the form Debian's changelogs use.
execute_process(COMMAND date -u -R -d "${OSTRANE_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE OSTRANE_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(changelog ${CMAKE_BINARY_DIR}/generated/debian/changelog)
configure_file(${PROJECT_SOURCE_DIR}/assets/debian/changelog.in ${changelog} @ONLY)
find_program(OSTRANE_GZIP gzip REQUIRED)
add_custom_command(OUTPUT ${changelog}.gz COMMAND ${OSTRANE_GZIP} -9nkf ${changelog}
                   DEPENDS ${changelog} VERBATIM)
add_custom_target(ostrane_debian_changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${PROJECT_SOURCE_DIR}/assets/debian/copyright DESTINATION ${docdir})
install(FILES ${changelog}.gz DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvissa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${OSTRANE_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remote control for the QV-SPC console-music player")
# CPack puts the summary on the Description line and this below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Corvissa is SPC Ostrane, a small window that drives QV-SPC, a separate player
of SPC console-music files. It plays nothing itself: it sends the player stop,
play, pause and quit, and the songs to load, picked from a list of the SPC
files in a folder. It keeps an icon in the notification area.
.
The package also holds corvissa-mpris-bridge, which forwards the commands to a
media player with an MPRIS interface such as mpv, started for every user by a
systemd user socket on the first command, and corvissa-link-peer, a stand-in
player that prints each command it receives.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the linked binaries; the fonts are the faces that stand in for
# the ones the windows name (see installFontSubstitutes).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-urw-base35, fonts-wine, fonts-comic-neue")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mpv, mpv-mpris")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
if(TARGET corvissa-mpris-bridge)
    # The bridge's socket, enabled for every user.
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/assets/debian/postinst
                                           ${PROJECT_SOURCE_DIR}/assets/debian/postrm)
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
