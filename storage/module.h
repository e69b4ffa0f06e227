// The module functions over files: the data-path rule the asset loaders apply
// to every name, and the application's state load and save.
// Relies on the host's file operations (storage/files.h on the desktop).
#pragma once

#include "runtime/string.h"

// Gives a bare asset name the tarvik://data/ scheme; paths with a scheme and
// paths starting with "./" or "/" are returned unchanged.
String vx_data_FixDataPath(const String& path);

// The saved state text, or the empty text when there is none.
String vx_app_LoadState();
// Saves the state text; a failed save leaves the game on its in-memory state.
void vx_app_SaveState(const String& state);
