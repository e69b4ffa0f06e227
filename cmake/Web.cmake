# The browser build (emscripten): WebGL 1 drawn by our own render layer,
# OpenAL over Web Audio, the page's own HTML and script from web/, and the
# game's data fetched beside the page. The data is made by the desktop
# build's asset generator (a program that must run on the build machine), so
# TARVIK_WEB_DATA names a data/ folder it wrote.
set(TARVIK_WEB_DATA "${CMAKE_SOURCE_DIR}/build/data" CACHE PATH
  "The data/ folder the asset generator wrote, copied beside the pages")

# Debian's emscripten runs node tools that look for their modules where
# Debian keeps them.
set_property(GLOBAL PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")

# The framework throws its own exceptions, so both halves need them.
add_compile_options(-fexceptions)

add_library(tarvik_web INTERFACE)
target_include_directories(tarvik_web SYSTEM INTERFACE /usr/include/stb)
target_link_options(tarvik_web INTERFACE
  -fexceptions
  -sALLOW_MEMORY_GROWTH=1
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1
  -sEXIT_RUNTIME=1
  -sENVIRONMENT=web
  -sEXPORTED_RUNTIME_METHODS=FS
  -lopenal
  "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/web/tarvik_pre.js")

# Makes TARGET a page: TARGET.html from the shared page template, with the
# page scripts given after the target (run before the program, in order).
function(tarvik_web_page target)
  set_target_properties(${target} PROPERTIES SUFFIX ".html")
  target_link_options(${target} PRIVATE
    "SHELL:--shell-file ${CMAKE_SOURCE_DIR}/web/page.html"
    # Debian's emscripten fails in its HTML minifier; the page is small anyway.
    -sMINIFY_HTML=0)
  set(depends ${CMAKE_SOURCE_DIR}/web/page.html ${CMAKE_SOURCE_DIR}/web/tarvik_pre.js)
  foreach(script IN LISTS ARGN)
    target_link_options(${target} PRIVATE "SHELL:--pre-js ${script}")
    list(APPEND depends ${script})
  endforeach()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${depends})
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
