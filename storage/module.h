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
// Saves the state text: 0 when saved, -1 when the file could not be written,
// -2 when the disk took less than all of it. A failed save keeps the old
// record whole, and the application its state in memory.
int vx_app_SaveState(const String& state);
