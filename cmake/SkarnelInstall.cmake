# Install rules of the game (component `game`): the executable with its data
# folder, the `skarnel` launcher, the desktop entry, the hicolor icons drawn by
# the asset generator, AppStream metadata, the manual page and the package's
# documents. Relies on the `skarnel` target and on tools/ writing icons/.
include(GNUInstallDirs)

# One reverse-DNS application id names the desktop entry, the icon and the metadata.
set(SKARNEL_APP_ID org.skarnel.Skarnel)
set(SKARNEL_RELEASE_DATE 2026-12-07)
set(SKARNEL_RELEASE_CHANGELOG_DATE "Mon, 07 Dec 2026 12:00:00 +0000")

set(SKARNEL_GAME_DIR ${CMAKE_INSTALL_LIBEXECDIR}/skarnel)
set(SKARNEL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/skarnel)
set(SKARNEL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/skarnel)
include(cmake/Staging.cmake)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# The game finds data/ next to its executable; the bulky, architecture-free
# data lives under share/ and a relative link joins the two, so the tree can
# be moved to any prefix.
file(RELATIVE_PATH SKARNEL_DATA_FROM_GAME /${SKARNEL_GAME_DIR} /${SKARNEL_SHARE_DIR}/data)
file(RELATIVE_PATH SKARNEL_GAME_FROM_BINDIR /${CMAKE_INSTALL_BINDIR} /${SKARNEL_GAME_DIR}/skarnel)

install(TARGETS skarnel RUNTIME DESTINATION ${SKARNEL_GAME_DIR} COMPONENT game)
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/ DESTINATION ${SKARNEL_SHARE_DIR}/data COMPONENT game
  PATTERN .assetgen-stamp EXCLUDE)
install(CODE "set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${SKARNEL_GAME_DIR}/data\")
  message(STATUS \"Installing: \${link}\")
  file(CREATE_LINK ${SKARNEL_DATA_FROM_GAME} \${link} SYMBOLIC)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES \${link})" COMPONENT game)

configure_file(desktop/skarnel-launcher.sh.in ${SKARNEL_STAGE}/skarnel @ONLY)
install(PROGRAMS ${SKARNEL_STAGE}/skarnel DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT game)

configure_file(desktop/skarnel.desktop.in ${SKARNEL_STAGE}/${SKARNEL_APP_ID}.desktop @ONLY)
install(FILES ${SKARNEL_STAGE}/${SKARNEL_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT game)
configure_file(desktop/skarnel.metainfo.xml.in ${SKARNEL_STAGE}/${SKARNEL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${SKARNEL_STAGE}/${SKARNEL_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT game)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons COMPONENT game)

# Manual pages and changelogs are installed compressed.
skarnel_gzip(${CMAKE_SOURCE_DIR}/desktop/skarnel.6 ${SKARNEL_STAGE}/skarnel.6.gz)
install(FILES ${SKARNEL_STAGE}/skarnel.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT game)
configure_file(desktop/changelog.in ${SKARNEL_STAGE}/changelog @ONLY)
skarnel_gzip(${SKARNEL_STAGE}/changelog ${SKARNEL_STAGE}/changelog.gz)
install(FILES ${SKARNEL_STAGE}/changelog.gz desktop/copyright DESTINATION ${SKARNEL_DOC_DIR} COMPONENT game)
