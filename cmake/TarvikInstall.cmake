# Installs Tarvik for projects elsewhere (component `tarvik`, the Debian
# package libtarvik-dev): the public headers under include/tarvik/ in their
# subsystem folders with include/tarvik/tarvik.h over them all, the two
# static libraries, the CMake package Tarvik (Tarvik::tarvik,
# Tarvik::runtime; for the browser tarvik_add_web_page too), the default
# font with a few sample assets, the guide with what its links lead to, and
# the examples. Relies on the two library targets, the generated data/ and
# skarnel_gzip from Staging.cmake.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TARVIK_VERSION ${PROJECT_VERSION})
set(TARVIK_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/tarvik)
set(TARVIK_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tarvik)
set(TARVIK_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tarvik/data)
# The browser package's page template and page script (cmake/WebPackage.cmake).
set(TARVIK_INSTALL_WEBDIR ${CMAKE_INSTALL_DATADIR}/tarvik/web)
set(TARVIK_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/libtarvik-dev)
# The target the package serves, as its config file names it to a project
# that builds for another.
set(TARVIK_PACKAGE_TARGET Linux)
if(TARVIK_PLATFORM STREQUAL "windows")
  set(TARVIK_PACKAGE_TARGET Windows)
elseif(TARVIK_PLATFORM STREQUAL "web")
  set(TARVIK_PACKAGE_TARGET "the browser")
endif()

# The generated files an application may start from: the font every
# application draws text with until it sets its own, a sprite sheet, a sound
# and a tune.
set(TARVIK_DATA_FILES kelvo_font.png gfx.png sfx/001.wav sfx/satellites.ogg)

# The GLFW 2.7 layer is the desktop host's own: its key codes are not the
# framework's (input/keys.h names those), so neither it nor the replayer built
# on its interfaces is installed; nor are the headers between the framework's
# shared code and its platform files (the socket system calls and TLS
# sessions, the audio outputs' sources, the drawing layers and their shared
# half, the Windows storage helpers).
foreach(folder runtime host graphics input audio storage net)
  install(DIRECTORY ${folder}/ DESTINATION ${TARVIK_INSTALL_INCLUDEDIR}/${folder}
    COMPONENT tarvik FILES_MATCHING PATTERN "*.h"
    PATTERN "glfw27.h" EXCLUDE PATTERN "replay.h" EXCLUDE
    PATTERN "socket_system*.h" EXCLUDE PATTERN "tls.h" EXCLUDE PATTERN "audio_source.h" EXCLUDE
    PATTERN "render_gl.h" EXCLUDE PATTERN "render_gl_common.h" EXCLUDE
    PATTERN "win32_files.h" EXCLUDE)
endforeach()
# The one header a program includes, <tarvik/tarvik.h>: it finds the
# subsystem folders beside it, so both include/ and include/tarvik/ are on
# the package's include path.
install(FILES tarvik/tarvik.h DESTINATION ${TARVIK_INSTALL_INCLUDEDIR} COMPONENT tarvik)

set_target_properties(tarvik_runtime PROPERTIES EXPORT_NAME runtime)
install(TARGETS tarvik_runtime tarvik EXPORT TarvikTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tarvik
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} ${TARVIK_INSTALL_INCLUDEDIR})
install(EXPORT TarvikTargets NAMESPACE Tarvik:: DESTINATION ${TARVIK_INSTALL_CMAKEDIR} COMPONENT tarvik)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TarvikConfig.cmake.in
  ${CMAKE_BINARY_DIR}/TarvikConfig.cmake
  INSTALL_DESTINATION ${TARVIK_INSTALL_CMAKEDIR}
  PATH_VARS TARVIK_INSTALL_DATADIR TARVIK_INSTALL_WEBDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TarvikConfigVersion.cmake
  VERSION ${TARVIK_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TarvikConfig.cmake ${CMAKE_BINARY_DIR}/TarvikConfigVersion.cmake
  DESTINATION ${TARVIK_INSTALL_CMAKEDIR} COMPONENT tarvik)

foreach(file ${TARVIK_DATA_FILES})
  get_filename_component(folder ${file} DIRECTORY)
  install(FILES ${CMAKE_BINARY_DIR}/data/${file} DESTINATION ${TARVIK_INSTALL_DATADIR}/${folder} COMPONENT tarvik)
endforeach()

# The guide, and the examples as a project to copy and build; the package's
# copyright and changelog where Debian looks for them.
# In the repository the guide's links climb out of docs/ (../examples/,
# ../CONVENTIONS.md); installed, what they lead to lies beside the guide, so
# the installed copy's links lose their ../.
set(guide ${CMAKE_SOURCE_DIR}/docs/framework.md)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${guide})
file(READ ${guide} guide_text)
string(REPLACE "](../" "](" guide_text "${guide_text}")
file(WRITE ${SKARNEL_STAGE}/framework.md.new "${guide_text}")
configure_file(${SKARNEL_STAGE}/framework.md.new ${SKARNEL_STAGE}/framework.md COPYONLY)
install(FILES ${SKARNEL_STAGE}/framework.md CONVENTIONS.md DESTINATION ${TARVIK_INSTALL_DOCDIR} COMPONENT tarvik)
install(DIRECTORY examples DESTINATION ${TARVIK_INSTALL_DOCDIR} COMPONENT tarvik)
configure_file(${CMAKE_CURRENT_LIST_DIR}/libtarvik-dev.changelog.in ${SKARNEL_STAGE}/libtarvik-dev.changelog @ONLY)
skarnel_gzip(${SKARNEL_STAGE}/libtarvik-dev.changelog ${SKARNEL_STAGE}/libtarvik-dev.changelog.gz)
install(FILES desktop/copyright DESTINATION ${TARVIK_INSTALL_DOCDIR} COMPONENT tarvik)
install(FILES ${SKARNEL_STAGE}/libtarvik-dev.changelog.gz DESTINATION ${TARVIK_INSTALL_DOCDIR}
  RENAME changelog.gz COMPONENT tarvik)

set(CPACK_DEBIAN_TARVIK_PACKAGE_NAME libtarvik-dev)
set(CPACK_DEBIAN_TARVIK_PACKAGE_SECTION libdevel)
# Static libraries: nothing for dpkg-shlibdeps to find, so the development
# packages of what they link are named here.
set(CPACK_DEBIAN_TARVIK_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_TARVIK_PACKAGE_DEPENDS "libglfw3-dev, libopenal-dev, libgl-dev, pkg-config")
set(CPACK_COMPONENT_TARVIK_DISPLAY_NAME "Tarvik")
set(CPACK_COMPONENT_TARVIK_DESCRIPTION "small C++20 framework for 2D desktop games (development files)
Tarvik runs a window with a fixed-rate update loop and gives an application
collected objects, strings, batched OpenGL drawing, keyboard, mouse and
joystick input, OpenAL sound and music, data files and a state file, sockets
and an HTTP client. This package holds its headers, static libraries and the
CMake package Tarvik, with a guide and example programs.")
