# The Windows build (mingw-w64, cmake/MinGW.cmake): GLFW as a static library
# built by scripts/windows-deps, the GL 1.1 of opengl32 with every later entry
# point fetched at run time, waveOut for sound, Winsock for the network and
# the system's Schannel (secur32, with crypt32 for certificates) for https.
# The game's data is made by the Linux build's asset generator (a program that
# must run on the build machine), so TARVIK_WINDOWS_DATA names a data/ folder
# it wrote.
set(TARVIK_WINDOWS_DEPS "${CMAKE_SOURCE_DIR}/build-windows/deps" CACHE PATH
  "The folder scripts/windows-deps built the Windows GLFW (and GoogleTest) into")
set(TARVIK_WINDOWS_DATA "${CMAKE_SOURCE_DIR}/build/data" CACHE PATH
  "The data/ folder the asset generator wrote, copied beside the programs")

list(PREPEND CMAKE_PREFIX_PATH ${TARVIK_WINDOWS_DEPS}/glfw ${TARVIK_WINDOWS_DEPS}/gtest)
find_package(Threads REQUIRED)
find_package(glfw3 3.3 REQUIRED CONFIG)

# The wide-character Windows calls are the ones used (file names are UTF-16
# there). mingw's C library gives the POSIX localtime_r (over localtime_s)
# when asked for the thread-safe functions.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601
  _POSIX_THREAD_SAFE_FUNCTIONS)

add_library(tarvik_windows INTERFACE)
target_link_libraries(tarvik_windows INTERFACE glfw opengl32 winmm ws2_32 secur32 crypt32 shell32 ole32 uuid
  Threads::Threads)

# Copies the generated data beside the programs, where they look for it.
function(tarvik_windows_data)
  if(NOT EXISTS "${TARVIK_WINDOWS_DATA}")
    message(FATAL_ERROR "No data folder at ${TARVIK_WINDOWS_DATA}: build the Linux `assets` target "
      "first (scripts/windows does) or set TARVIK_WINDOWS_DATA")
  endif()
  add_custom_target(windows_data ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${TARVIK_WINDOWS_DATA} ${CMAKE_BINARY_DIR}/data
    COMMAND ${CMAKE_COMMAND} -E remove -f ${CMAKE_BINARY_DIR}/data/.assetgen-stamp
    COMMENT "Copying the game's data beside the programs"
    VERBATIM)
endfunction()
