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

// Data that comes over a network (the browser fetches the data folder from
// beside the page): a program can start bringing files here without waiting
// for them, load each once it is here, and have its next update wait for the
// ones it cannot go on without. Where the data folder is local (the desktop,
// Windows) every file is here already and nothing ever waits.
//
// Starts bringing the data file `path` here in the background, after the
// files asked for before it, unless it is here; true when loading it now takes
// no wait: it is here, or it is known to be missing.
bool vx_data_Prefetch(const String& path);
// True when loading `path` now takes no wait, without asking for it.
bool vx_data_Ready(const String& path);
// The next update waits until `path` has arrived or is known to be missing
// (it is fetched if nobody asked for it yet); frames are still drawn meanwhile.
void vx_data_Await(const String& path);
// True while a file the program awaits is still on its way: the host runs no
// updates then, so the wait changes no count of updates.
bool vx_data_Awaiting();
