# What the Windows build hands out; scripts/windows-package zips and wraps it.
# Component `game` installs the folder a player unpacks: skarnel.exe (with its
# icon and version information), data/, README.txt and LICENSE.txt. Component
# `tarvik` is the SDK for Windows developers, installed by the rules of the
# Linux package (TarvikInstall.cmake) with the static GLFW its libraries need.
# Relies on cmake/Windows.cmake (TARVIK_WINDOWS_DEPS, TARVIK_WINDOWS_DATA,
# the tarvik_windows target) and on the `skarnel` target.
enable_language(RC)

set(SKARNEL_WINDOWS_STAGE ${CMAKE_BINARY_DIR}/windows)
get_filename_component(default_icons "${TARVIK_WINDOWS_DATA}/../icons/hicolor" ABSOLUTE)
set(TARVIK_WINDOWS_ICONS "${default_icons}" CACHE PATH
  "The hicolor/ folder the asset generator drew the desktop icon into")

# A player starts the game from a shortcut or Explorer: it is a windowed
# program, so no console window opens beside it. Its replayer stays a console
# program, run from a prompt.
set_target_properties(skarnel PROPERTIES WIN32_EXECUTABLE ON)

# The version information, and the icon: every size the asset generator
# draws, in one .ico. The icons are the Linux build's `icons` target; without
# them skarnel.exe is built with Windows' default icon, and
# scripts/windows-package refuses to package it.
configure_file(windows/skarnel.rc.in ${SKARNEL_WINDOWS_STAGE}/skarnel.rc @ONLY)
target_sources(skarnel PRIVATE ${SKARNEL_WINDOWS_STAGE}/skarnel.rc)
set(SKARNEL_ICO ${SKARNEL_WINDOWS_STAGE}/skarnel.ico)
set(icon_pngs)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND icon_pngs ${TARVIK_WINDOWS_ICONS}/${size}x${size}/apps/org.skarnel.Skarnel.png)
endforeach()
list(GET icon_pngs 0 first_png)
if(EXISTS ${first_png})
  find_program(SKARNEL_CONVERT convert REQUIRED)
  add_custom_command(OUTPUT ${SKARNEL_ICO}
    COMMAND ${SKARNEL_CONVERT} ${icon_pngs} ${SKARNEL_ICO}
    DEPENDS ${icon_pngs}
    COMMENT "Gathering the icon's sizes into skarnel.ico"
    VERBATIM)
  configure_file(windows/icon.rc.in ${SKARNEL_WINDOWS_STAGE}/icon.rc @ONLY)
  set_source_files_properties(${SKARNEL_WINDOWS_STAGE}/icon.rc PROPERTIES OBJECT_DEPENDS ${SKARNEL_ICO})
  target_sources(skarnel PRIVATE ${SKARNEL_WINDOWS_STAGE}/icon.rc)
else()
  message(WARNING "No icons in ${TARVIK_WINDOWS_ICONS}: skarnel.exe gets no icon of its own. "
    "Build the Linux `icons` target or set TARVIK_WINDOWS_ICONS")
endif()

# The player's folder, its texts with Windows line ends.
configure_file(windows/README.txt.in ${SKARNEL_WINDOWS_STAGE}/README.txt @ONLY NEWLINE_STYLE CRLF)
file(READ LICENSE licence_text)
file(READ windows/third-party.txt third_party_text)
file(WRITE ${SKARNEL_WINDOWS_STAGE}/LICENSE.txt.new "${licence_text}\n\n${third_party_text}")
configure_file(${SKARNEL_WINDOWS_STAGE}/LICENSE.txt.new ${SKARNEL_WINDOWS_STAGE}/LICENSE.txt
  @ONLY NEWLINE_STYLE CRLF)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/windows/third-party.txt)
install(TARGETS skarnel RUNTIME DESTINATION . COMPONENT game)
install(DIRECTORY ${CMAKE_BINARY_DIR}/data/ DESTINATION data COMPONENT game PATTERN .assetgen-stamp EXCLUDE)
install(FILES ${SKARNEL_WINDOWS_STAGE}/README.txt ${SKARNEL_WINDOWS_STAGE}/LICENSE.txt
  DESTINATION . COMPONENT game)

# The SDK: TarvikInstall.cmake's rules, given what they take from the Linux
# game's install rules (a staging folder, gzip for the changelog), and the
# platform target the libraries link exported beside them.
include(cmake/Staging.cmake)
set_target_properties(tarvik_windows PROPERTIES EXPORT_NAME windows)
install(TARGETS tarvik_windows EXPORT TarvikTargets COMPONENT tarvik)
include(cmake/TarvikInstall.cmake)
# GLFW as scripts/windows-deps built it, with its CMake package (found by
# TarvikConfig.cmake); its pkg-config file names the build machine's folders.
install(DIRECTORY ${TARVIK_WINDOWS_DEPS}/glfw/ DESTINATION . COMPONENT tarvik
  PATTERN .built EXCLUDE PATTERN pkgconfig EXCLUDE)
configure_file(windows/sdk-README.txt.in ${SKARNEL_WINDOWS_STAGE}/sdk/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${SKARNEL_WINDOWS_STAGE}/sdk/README.txt ${SKARNEL_WINDOWS_STAGE}/LICENSE.txt
  DESTINATION . COMPONENT tarvik)
# The toolchain file the libraries were built with, for a developer who
# cross-builds from Debian as this build does.
install(FILES ${CMAKE_SOURCE_DIR}/cmake/MinGW.cmake DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvik COMPONENT tarvik)
