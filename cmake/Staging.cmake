# What every package's install rules share: the folder where files made for
# the install (compressed pages, filled-in templates) are staged, and gzip
# with no time stamp in its header, so a package is the same on every build.
set(SKARNEL_STAGE ${CMAKE_BINARY_DIR}/install-stage)
function(skarnel_gzip source output)
  execute_process(COMMAND gzip -9nc INPUT_FILE ${source} OUTPUT_FILE ${output} COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
endfunction()
