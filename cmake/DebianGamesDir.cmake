# Run by CPack once the package's files are staged. Debian keeps the commands
# of games in /usr/games rather than /usr/bin, so the launcher moves there; it
# finds the game from its own folder, which lies at the same depth.
cmake_policy(SET CMP0009 NEW)
file(GLOB_RECURSE launchers LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/skarnel")
list(FILTER launchers INCLUDE REGEX "/usr/bin/skarnel$")
foreach(launcher IN LISTS launchers)
  get_filename_component(bin ${launcher} DIRECTORY)
  get_filename_component(usr ${bin} DIRECTORY)
  file(MAKE_DIRECTORY ${usr}/games)
  file(RENAME ${launcher} ${usr}/games/skarnel)
  file(REMOVE_RECURSE ${bin})
endforeach()
