# Installs Tarvik for projects elsewhere (component `tarvik`): the public
# headers under include/tarvik/ in their subsystem folders, the two static
# libraries, the CMake package Tarvik (targets Tarvik::tarvik and
# Tarvik::runtime) and the default font with a few sample assets.
# Relies on the tarvik and tarvik_runtime targets and on the generated data/.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TARVIK_VERSION 1.0.0)
set(TARVIK_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/tarvik)
set(TARVIK_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tarvik)
set(TARVIK_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/tarvik/data)

# The generated files an application may start from: the font every
# application draws text with until it sets its own, a sprite sheet, a sound
# and a tune.
set(TARVIK_DATA_FILES kelvo_font.png gfx.png sfx/001.wav sfx/satellites.ogg)

foreach(folder runtime host graphics input audio storage net)
  install(DIRECTORY ${folder}/ DESTINATION ${TARVIK_INSTALL_INCLUDEDIR}/${folder}
    COMPONENT tarvik FILES_MATCHING PATTERN "*.h")
endforeach()

set_target_properties(tarvik_runtime PROPERTIES EXPORT_NAME runtime)
install(TARGETS tarvik_runtime tarvik EXPORT TarvikTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT tarvik
  INCLUDES DESTINATION ${TARVIK_INSTALL_INCLUDEDIR})
install(EXPORT TarvikTargets NAMESPACE Tarvik:: DESTINATION ${TARVIK_INSTALL_CMAKEDIR} COMPONENT tarvik)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/TarvikConfig.cmake.in
  ${CMAKE_BINARY_DIR}/TarvikConfig.cmake
  INSTALL_DESTINATION ${TARVIK_INSTALL_CMAKEDIR}
  PATH_VARS TARVIK_INSTALL_DATADIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TarvikConfigVersion.cmake
  VERSION ${TARVIK_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TarvikConfig.cmake ${CMAKE_BINARY_DIR}/TarvikConfigVersion.cmake
  DESTINATION ${TARVIK_INSTALL_CMAKEDIR} COMPONENT tarvik)

foreach(file ${TARVIK_DATA_FILES})
  get_filename_component(folder ${file} DIRECTORY)
  install(FILES ${CMAKE_BINARY_DIR}/data/${file} DESTINATION ${TARVIK_INSTALL_DATADIR}/${folder} COMPONENT tarvik)
endforeach()
