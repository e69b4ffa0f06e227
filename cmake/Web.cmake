# The browser build (emscripten): WebGL 1 drawn by our own render layer,
# OpenAL over Web Audio, the page's own HTML and script from web/, and the
# game's data fetched beside the page. The data is made by the desktop
# build's asset generator (a program that must run on the build machine), so
# TARVIK_WEB_DATA names a data/ folder it wrote.
set(TARVIK_WEB_DATA "${CMAKE_SOURCE_DIR}/build/data" CACHE PATH
  "The data/ folder the asset generator wrote, copied beside the pages")
set(TARVIK_WEB_ICONS "${TARVIK_WEB_DATA}/../web-icons" CACHE PATH
  "The folder of the installable page's icons the asset generator drew (assetgen --web-icons)")

# Debian's emscripten runs node tools that look for their modules where
# Debian keeps them.
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")

# The framework throws its own exceptions, so both halves need them.
add_compile_options(-fexceptions)

# The page template and script live in web/ here, and in the browser
# package's share/tarvik/web/ once installed (cmake/WebPackage.cmake), where
# a program's own project finds the page script through Tarvik::web.
include(GNUInstallDirs)
set(TARVIK_WEB_FILES ${CMAKE_SOURCE_DIR}/web)
include(${CMAKE_CURRENT_LIST_DIR}/TarvikWebPage.cmake)

add_library(tarvik_web INTERFACE)
target_include_directories(tarvik_web SYSTEM INTERFACE $<BUILD_INTERFACE:/usr/include/stb>)
# A program of its own project, built against the installed package, is
# compiled with exceptions too: the framework's pass through its callbacks.
target_compile_options(tarvik_web INTERFACE -fexceptions)
target_link_options(tarvik_web INTERFACE
  -fexceptions
  -sALLOW_MEMORY_GROWTH=1
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sEXIT_RUNTIME=1
  -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=FS
  -lopenal
  "SHELL:--pre-js $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/web>$<INSTALL_INTERFACE:$<INSTALL_PREFIX>/${CMAKE_INSTALL_DATADIR}/tarvik/web>/tarvik_pre.js")

# Makes TARGET a page: TARGET.html from the shared page template, with the
# page scripts given after the target (run before the program, in order).
# TARVIK_PAGE_HEAD and TARVIK_PAGE_BODY, when set, go into the page's head and
# body. The game's pages share one data folder (tarvik_web_data).
function(tarvik_web_page target)
  tarvik_add_web_page(${target} PRE_JS ${ARGN})
endfunction()

# Copies the generated data beside the pages, from where they fetch it.
function(tarvik_web_data)
  if(NOT EXISTS "${TARVIK_WEB_DATA}")
    message(FATAL_ERROR "No data folder at ${TARVIK_WEB_DATA}: build the desktop `assets` target first "
      "(scripts/web does) or set TARVIK_WEB_DATA")
  endif()
  add_custom_target(web_data ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${TARVIK_WEB_DATA} ${CMAKE_BINARY_DIR}/data
    COMMAND ${CMAKE_COMMAND} -E remove -f ${CMAKE_BINARY_DIR}/data/.assetgen-stamp
    COMMENT "Copying the game's data beside the pages"
    VERBATIM)
endfunction()

# Makes the page TARGET (named "skarnel" for its manifest and worker) an
# installable app that starts offline: its manifest and icons beside it, the
# phone and offline page scripts, and a service worker holding the list of
# the build's files with their SHA-256, named after a build id hashed from
# them, written after every build (cmake/WebOffline.cmake).
function(tarvik_web_app target)
  file(READ ${CMAKE_SOURCE_DIR}/web/app_head.html TARVIK_PAGE_HEAD)
  file(READ ${CMAKE_SOURCE_DIR}/web/app_body.html TARVIK_PAGE_BODY)
  tarvik_web_page(${target} ${CMAKE_SOURCE_DIR}/web/phone_pre.js ${CMAKE_SOURCE_DIR}/web/offline_pre.js ${ARGN})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
    ${CMAKE_SOURCE_DIR}/web/app_head.html ${CMAKE_SOURCE_DIR}/web/app_body.html)
  configure_file(${CMAKE_SOURCE_DIR}/web/${target}.webmanifest ${CMAKE_BINARY_DIR}/${target}.webmanifest COPYONLY)
  if(NOT EXISTS "${TARVIK_WEB_ICONS}")
    message(FATAL_ERROR "No icons at ${TARVIK_WEB_ICONS}: build the desktop `web_icons` target first "
      "(scripts/web does) or set TARVIK_WEB_ICONS")
  endif()
  add_custom_target(${target}_offline ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${TARVIK_WEB_ICONS} ${CMAKE_BINARY_DIR}/icons
    COMMAND ${CMAKE_COMMAND} -E remove -f ${CMAKE_BINARY_DIR}/icons/.assetgen-stamp
    COMMAND ${CMAKE_COMMAND} -DWEB_DIR=${CMAKE_BINARY_DIR} -DAPP=${target}
      -DTEMPLATE=${CMAKE_SOURCE_DIR}/web/skarnel-sw.js.in -P ${CMAKE_SOURCE_DIR}/cmake/WebOffline.cmake
    COMMENT "Writing the service worker of ${target}.html for this build"
    VERBATIM)
  add_dependencies(${target}_offline ${target} web_data)
endfunction()
