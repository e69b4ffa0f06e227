# What the browser build hands out: component `tarvik` is the browser SDK,
# installed by the rules of the Linux package (TarvikInstall.cmake) with the
# framework's WebAssembly libraries, the page template and the page script
# every program runs before it starts, and tarvik_add_web_page in the CMake
# package. scripts/web-package zips it. Relies on cmake/Web.cmake (the
# tarvik_web target, TarvikWebPage.cmake) and on the generated data/.
include(cmake/Staging.cmake)

# Tarvik::web carries the link options every page needs (WebGL, OpenAL over
# Web Audio, the page script) to the programs of the user's own project.
set_target_properties(tarvik_web PROPERTIES EXPORT_NAME web)
install(TARGETS tarvik_web EXPORT TarvikTargets COMPONENT tarvik)
include(cmake/TarvikInstall.cmake)
install(FILES web/page.html web/tarvik_pre.js DESTINATION ${TARVIK_INSTALL_WEBDIR} COMPONENT tarvik)
install(FILES cmake/TarvikWebPage.cmake DESTINATION ${TARVIK_INSTALL_CMAKEDIR} COMPONENT tarvik)
configure_file(web/sdk-README.txt.in ${CMAKE_BINARY_DIR}/sdk/README.txt @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/sdk/README.txt DESTINATION . COMPONENT tarvik)
