# tarvik_add_web_page: makes an executable of the browser build (emscripten)
# a page of its own, TARGET.html with TARGET.js and TARGET.wasm beside it and
# its data folders copied into data/ there, from where the page fetches them.
# Shared by this tree's browser build (cmake/Web.cmake) and the installed
# package (TarvikConfig.cmake); each sets TARVIK_WEB_FILES, the folder that
# holds the page template page.html and the page script tarvik_pre.js.
set_property(GLOBAL PROPERTY TARVIK_WEB_FILES "${TARVIK_WEB_FILES}")

# tarvik_add_web_page(target [DATA folder...] [PRE_JS script...])
# The DATA folders are copied in order, a later one's files over an earlier
# one's, before the page is linked; the PRE_JS scripts run before the
# program, in order. TARVIK_PAGE_HEAD and TARVIK_PAGE_BODY, when set, go
# into the page's head and body.
function(tarvik_add_web_page target)
  cmake_parse_arguments(PARSE_ARGV 1 page "" "" "DATA;PRE_JS")
  if(page_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "tarvik_add_web_page(${target}): unknown arguments ${page_UNPARSED_ARGUMENTS}")
  endif()
  get_property(files GLOBAL PROPERTY TARVIK_WEB_FILES)
  set_target_properties(${target} PROPERTIES SUFFIX ".html")
  set(shell ${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/page-${target}.html)
  if(NOT DEFINED TARVIK_PAGE_HEAD)
    set(TARVIK_PAGE_HEAD "<link rel=\"icon\" href=\"data:,\">")
  endif()
  configure_file(${files}/page.html ${shell} @ONLY)
  target_link_options(${target} PRIVATE
    "SHELL:--shell-file ${shell}"
    # Debian's emscripten fails in its HTML minifier; the page is small anyway.
    -sMINIFY_HTML=0)
  set(depends ${shell} ${files}/tarvik_pre.js)
  foreach(script IN LISTS page_PRE_JS)
    get_filename_component(script ${script} ABSOLUTE)
    target_link_options(${target} PRIVATE "SHELL:--pre-js ${script}")
    list(APPEND depends ${script})
  endforeach()
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${depends})
  # Debian's emscripten runs node tools at link time that look for their
  # modules where Debian keeps them.
  if(EXISTS /usr/share/nodejs)
    set_property(TARGET ${target} PROPERTY RULE_LAUNCH_LINK "${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs")
  endif()

  set(folders)
  foreach(folder IN LISTS page_DATA)
    get_filename_component(folder ${folder} ABSOLUTE)
    if(NOT IS_DIRECTORY ${folder})
      message(FATAL_ERROR "tarvik_add_web_page(${target}): the data folder ${folder} does not exist")
    endif()
    list(APPEND folders ${folder})
  endforeach()
  if(folders)
    # The page's folder is known for sure only once the whole directory is
    # read (RUNTIME_OUTPUT_DIRECTORY may be set after this call).
    cmake_language(EVAL CODE "cmake_language(DEFER CALL tarvik__web_page_data [[${target}]] [[${folders}]])")
  endif()
endfunction()

# Copies the page's data folders into data/ beside it whenever the page is
# built. Pages that share a folder share its data/: the same folders are
# copied there once, by one target, and different ones one after another,
# since two copies into one folder at once fail (a parallel build runs them
# side by side).
function(tarvik__web_page_data target folders)
  get_target_property(page_dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  if(NOT page_dir)
    get_target_property(page_dir ${target} BINARY_DIR)
  endif()
  string(SHA1 dir_key "${page_dir}")
  string(SHA1 copy_key "${page_dir}|${folders}")
  get_property(copier GLOBAL PROPERTY TARVIK_WEB_DATA_${copy_key})
  if(NOT copier)
    set(copier tarvik_data_${target})
    set(copies)
    foreach(folder IN LISTS folders)
      list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy_directory ${folder} ${page_dir}/data)
    endforeach()
    add_custom_target(${copier} ALL ${copies}
      COMMENT "Copying the data of ${target} beside its page"
      VERBATIM)
    get_property(previous GLOBAL PROPERTY TARVIK_WEB_DATA_LAST_${dir_key})
    if(previous)
      add_dependencies(${copier} ${previous})
    endif()
    set_property(GLOBAL PROPERTY TARVIK_WEB_DATA_LAST_${dir_key} ${copier})
    set_property(GLOBAL PROPERTY TARVIK_WEB_DATA_${copy_key} ${copier})
  endif()
  add_dependencies(${target} ${copier})
endfunction()
