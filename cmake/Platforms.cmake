# The porter's map: every source file that only some targets build, and
# which. A file in no row builds everywhere. A file built by one target is
# named for it (_linux, _windows, _web); one that serves more is named for the
# mechanism it is written against (_posix: POSIX calls, which Linux and
# emscripten's C library both have; _openal, _glfw3, _xdg; _desktop: an
# operating system's own process and OpenGL, as opposed to a page's;
# _console: output that reaches a terminal or console, with no box; _local:
# a data folder on the machine itself, nothing to fetch). Files
# that share a name up to that suffix fill one slot: no target may build two
# of them. docs/porting.md tells how to add a target.
#
#   file                                    targets
set(TARVIK_PLATFORM_FILES
  runtime/descriptor_reserve_posix.cpp      linux,web
  runtime/descriptor_reserve_windows.cpp    windows
  runtime/failure_box_console.cpp           linux,web
  runtime/failure_box_windows.cpp           windows
  runtime/fatal_faults_posix.cpp            linux,web
  runtime/fatal_faults_windows.cpp          windows
  runtime/slab_memory_posix.cpp             linux,web
  runtime/slab_memory_windows.cpp           windows
  runtime/stop_desktop.cpp                  linux,windows
  runtime/stop_web.cpp                      web

  host/end_request_posix.cpp                linux,web
  host/end_request_windows.cpp              windows
  host/frame_loop_desktop.cpp               linux,windows
  host/frame_loop_web.cpp                   web
  host/glfw27_glfw3.cpp                     linux,windows
  host/glfw27_web.cpp                       web
  host/open_url_linux.cpp                   linux
  host/open_url_web.cpp                     web
  host/open_url_windows.cpp                 windows

  graphics/gl_drawable_linux.cpp            linux
  graphics/gl_drawable_web.cpp              web
  graphics/gl_drawable_windows.cpp          windows
  graphics/gl_entry_points_windows.cpp      windows
  graphics/render_gl_desktop.cpp            linux,windows
  graphics/render_gl_web.cpp                web

  audio/audio_device_openal.cpp             linux,web
  audio/audio_device_windows.cpp            windows

  storage/data_fetch_local.cpp              linux,windows
  storage/data_fetch_web.cpp                web
  storage/file_system_linux.cpp             linux
  storage/file_system_web.cpp               web
  storage/file_system_windows.cpp           windows
  storage/log_file_posix.cpp                linux,web
  storage/log_file_windows.cpp              windows
  storage/memory_file_posix.cpp             linux,web
  storage/memory_file_windows.cpp           windows
  storage/state_folder_xdg.cpp              linux,web
  storage/state_folder_windows.cpp          windows
  storage/win32_files_windows.cpp           windows

  net/http_socket.cpp                       linux,windows
  net/http_web.cpp                          web
  net/socket_system_linux.cpp               linux
  net/socket_system_web.cpp                 web
  net/socket_system_windows.cpp             windows
  net/thread_start_linux.cpp                linux
  net/thread_start_web.cpp                  web
  net/thread_start_windows.cpp              windows
  net/tls_openssl.cpp                       linux
  net/tls_web.cpp                           web
  net/tls_windows.cpp                       windows

  game/main_posix.cpp                       linux,web
  game/main_windows.cpp                     windows
  game/replay_files_posix.cpp               linux,web
  game/replay_files_windows.cpp             windows

  tests/net/process_linux.cpp               linux
  tests/net/process_windows.cpp             windows
  tests/net/raw_socket_linux.cpp            linux
  tests/net/raw_socket_windows.cpp          windows
)

# The map read once: for each listed file, its targets; every listed file
# must exist, and no target may build two files of one slot.
set(tarvik_platform_slots)
list(LENGTH TARVIK_PLATFORM_FILES tarvik_platform_count)
math(EXPR tarvik_platform_last "${tarvik_platform_count} - 1")
foreach(index RANGE 0 ${tarvik_platform_last} 2)
  math(EXPR targets_index "${index} + 1")
  list(GET TARVIK_PLATFORM_FILES ${index} file)
  list(GET TARVIK_PLATFORM_FILES ${targets_index} targets)
  set(TARVIK_PLATFORM_TARGETS_${file} ${targets})
  string(REPLACE "," ";" targets "${targets}")
  if(NOT EXISTS ${CMAKE_SOURCE_DIR}/${file})
    message(FATAL_ERROR "cmake/Platforms.cmake lists ${file}, which does not exist")
  endif()
  string(REPLACE , "," TARVIK_PLATFORM_TARGETS_${file} "${targets}")
  string(REGEX REPLACE "_[a-z0-9]+\\.cpp$" "" slot "${file}")
  foreach(target IN LISTS targets)
    if(NOT target MATCHES "^(linux|windows|web)$")
      message(FATAL_ERROR "cmake/Platforms.cmake: ${file} names an unknown target '${target}'")
    endif()
    if("${slot}|${target}" IN_LIST tarvik_platform_slots)
      message(FATAL_ERROR "cmake/Platforms.cmake: two files of ${slot} for ${target}")
    endif()
    list(APPEND tarvik_platform_slots "${slot}|${target}")
  endforeach()
endforeach()

# Keeps those of the given sources this target builds: every file the map
# does not list, and the listed ones it names for TARVIK_PLATFORM. A file
# named for a single target that the map leaves out is a mistake, not a
# file for everyone.
function(tarvik_platform_sources out)
  set(kept)
  foreach(source IN LISTS ARGN)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${source})
    if(DEFINED TARVIK_PLATFORM_TARGETS_${relative})
      string(REPLACE "," , targets "${TARVIK_PLATFORM_TARGETS_${relative}}")
      if(TARVIK_PLATFORM IN_LIST targets)
        list(APPEND kept ${source})
      endif()
    elseif(relative MATCHES "_(linux|windows|web)\\.cpp$")
      message(FATAL_ERROR "${relative} is named for one target but cmake/Platforms.cmake does not list it")
    else()
      list(APPEND kept ${source})
    endif()
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()
