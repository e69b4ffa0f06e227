# Run as a script after a browser build: writes APP-sw.js into WEB_DIR from
# TEMPLATE with the build's files (the page, its script and wasm, its
# manifest, icons and every data file) and the SHA-256 of each, and a build
# id hashed from that list, so any change to any file makes a new worker.
# The page's own text and program files (and the worker) get a gzip copy
# beside them (FILE.gz) for servers that send it in their place (nginx's
# gzip_static): about 450 KB less for a phone to fetch before the title.
# Usage: cmake -DWEB_DIR=dir -DAPP=skarnel -DTEMPLATE=file -P WebOffline.cmake
foreach(variable WEB_DIR APP TEMPLATE)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "WebOffline.cmake needs -D${variable}=...")
  endif()
endforeach()

set(core ${APP}.html ${APP}.js ${APP}.wasm ${APP}.webmanifest)
file(GLOB icons RELATIVE ${WEB_DIR} ${WEB_DIR}/icons/*.png)
list(APPEND core ${icons})
file(GLOB_RECURSE data RELATIVE ${WEB_DIR} ${WEB_DIR}/data/*)
list(FILTER data EXCLUDE REGEX "/\\.|\\.gz$")
set(files ${core} ${data})
list(SORT files)

set(entries "")
set(listing "")
foreach(file IN LISTS files)
  if(NOT EXISTS ${WEB_DIR}/${file})
    message(FATAL_ERROR "The build has no ${file}")
  endif()
  file(SHA256 ${WEB_DIR}/${file} digest)
  list(APPEND entries "\n  \"${file}\": \"${digest}\"")
  string(APPEND listing "${file} ${digest}\n")
endforeach()
list(JOIN entries "," TARVIK_FILES)
set(TARVIK_FILES "{${TARVIK_FILES}\n}")
string(SHA256 build_hash "${listing}")
string(SUBSTRING ${build_hash} 0 16 TARVIK_BUILD)
list(TRANSFORM core PREPEND "'")
list(TRANSFORM core APPEND "'")
list(JOIN core ", " TARVIK_CORE)
configure_file(${TEMPLATE} ${WEB_DIR}/${APP}-sw.js @ONLY)

# -n leaves the name and time out, so one build always gives the same bytes.
foreach(file ${APP}.html ${APP}.js ${APP}.wasm ${APP}.webmanifest ${APP}-sw.js)
  execute_process(COMMAND gzip -9 -n -k -f ${WEB_DIR}/${file} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip could not compress ${WEB_DIR}/${file}")
  endif()
endforeach()
