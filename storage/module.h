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

// Whether the state file is there but could not be read at start: it is kept
// as it is, and every save fails rather than replace it.
bool vx_app_StateUnreadable();
// The record loaded did not load whole (a damaged section): the next save
// first keeps the file it replaces beside it, as a damaged copy.
void vx_app_KeepDamagedState();

// Holds the state file's save lock from a read of the record on disk to the
// save that follows, so that two copies of a program saving at once each
// merge what the other saved instead of writing over it.
void vx_app_LockState();
void vx_app_UnlockState();

// Merges two saves of one record made by copies of a program: `mine` is
// the record being saved, `base` the one it was made from, `stored` the one
// another copy saved meanwhile; the answer is stored instead of `mine`.
using VXStateMerge = String (*)(const String& mine, const String& base, const String& stored);
// Where a copy learns only after saving that another copy saved meanwhile
// (tabs of one page in a browser share the page's storage but no lock the
// program could wait on), the framework stores the merge's answer. Without
// one, the later save replaces the record whole.
void vx_app_SetStateMerge(VXStateMerge merge);
