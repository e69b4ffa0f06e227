# Debian packages through CPack, one per install component: `cpack -G DEB` in
# the build folder writes skarnel_<version>_<arch>.deb from the `game`
# component and libtarvik-dev_<version>_<arch>.deb from `tarvik` (set up in
# TarvikInstall.cmake). Runtime dependencies are found by dpkg-shlibdeps from
# the libraries the executable links; the launcher goes to /usr/games, where
# Debian keeps the commands of games. Included after every install rule.
set(CPACK_PACKAGE_NAME skarnel)
set(CPACK_PACKAGE_VENDOR "The Skarnel developers")
set(CPACK_PACKAGE_CONTACT "The Skarnel developers <maintainers@skarnel.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebianGamesDir.cmake)
set(CPACK_COMPONENTS_ALL game tarvik)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_GAME_PACKAGE_NAME skarnel)
set(CPACK_DEBIAN_GAME_PACKAGE_SECTION games)
set(CPACK_COMPONENT_GAME_DISPLAY_NAME "Skarnel")
set(CPACK_COMPONENT_GAME_DESCRIPTION "single-screen arcade game of rocks and satellites
One ship inside a walled screen: turn, thrust along the facing, fire. Rocks
drift, spin, bounce off the walls and split in three when shot; a ring of
satellites sweeps the screen on changing figure-of-eight and circular paths;
a bonus pickup worth up to 99 points launches each new wave of rocks. Easy,
Normal and Hard each keep their ten best and ten most recent scores, saved
in the player's state folder.")

include(CPack)
