// File access for the desktop host: the tarvik:// path mapping, opening files
// by UTF-8 path, whole-file loads as bytes or text, and the crash-safe state
// file. The host's file operations forward here; module code reaches these
// through the host once it exists. Relies on runtime/ strings and the collector.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/string.h"
#include "storage/module.h"

// Paths are text: a file name's bytes as the framework's text and back.
// UTF-8 decodes letter by letter (a four-byte form as a surrogate pair); a
// byte that is not part of UTF-8 becomes the unit 0xDC00 + byte, which turns
// back into that byte, so every name the system holds round-trips.
String tvPathText(const std::string& bytes);
std::string tvPathBytes(const String& path);
// Prints a line built from UTF-8 text (messages that name a path).
void tvPrintLine(const std::string& utf8);

// The state file, relative to the working directory unless the program
// chose the per-user state folder.
extern const char* const kStateFilePath;
// Where the state file is now: kStateFilePath, or the file of that name in
// the folder tvUseStateFolder chose.
String tvStateFilePath();

// From now on the state file lives in the per-user state folder for `name`:
// $XDG_STATE_HOME/name when that is an absolute path (a relative one is
// ignored), else ~/.local/state/name, made private (0700) when missing.
// False, with a line on standard output, when it cannot be made; the state
// file then stays where it was. The empty name goes back to the working
// directory. In the browser every page already keeps its own; on Windows the
// folder is %LOCALAPPDATA%\name, which is the user's own already.
bool tvUseStateFolder(const String& name);
// The largest state file that is read. A real record is a few KiB; a bigger
// file is not one, and decoding it would stall the start for seconds.
extern const long long kStateFileCap;

// The largest file that loads whole: its length must fit an int. A larger
// one loads as nothing (null, the empty text), with a line naming it.
extern const long long kDataFileMaxBytes;

// A stream that reads `length` bytes from memory, which must outlive it;
// null when none can be made.
FILE* tvOpenMemoryFile(unsigned char* bytes, size_t length);

// The folder part of an executable path: backslashes become slashes and the
// last slash and what follows are cut off. Aborts when there is no slash.
String tvFolderOfExecutable(const String& exePath);

// The folder that holds the running executable (from /proc/self/exe, or on
// Windows from the module's own file name).
String tvExecutableFolder();

// The running program's own name: its executable's file name (in the
// browser, its page's name without ".html").
String tvProgramName();

// Maps a tarvik:// path against the given application folder; other paths
// pass unchanged, unknown tarvik: places give the empty string.
// `internalPath` is filled on the first tarvik://internal/ path.
String tvMapTarvikPath(const String& path, const String& appPath, String& internalPath);

// The desktop mapping with the process's own application folder, computed on
// first use: what the desktop host's PathToFilePath returns.
String tvDesktopFilePath(const String& path);

// Opens an already mapped path; the empty path and a folder open nothing.
// A file to read that is not there is named on standard output, once.
FILE* tvOpenMappedFile(const String& filePath, const String& mode);

// Names a file the program asked for and did not find, once per path, so a
// missing asset (which draws or plays nothing) is easy to tell.
void tvReportMissingFile(const std::string& path);

// Reads the rest of `file` in 4096-byte chunks into one malloc'd block, closes
// the file, reports the size to the collector as external bytes and stores it
// in `length`. The caller owns the block.
unsigned char* tvReadWholeFile(FILE* file, int* length);

// The decoded text of `file` (String::Load); closes the file.
String tvReadText(FILE* file);

// Whole-file loads of an already mapped path: null (length untouched) or the
// empty text when nothing opens. The host's LoadData and LoadString and the
// desktop operations below differ only in the mapping they hand in.
unsigned char* tvLoadMappedData(const String& filePath, int* length);
String tvLoadMappedText(const String& filePath);

// Opens the state file at an already mapped path for reading: null when
// there is none, and when it is not a regular file (a pipe, a device, a
// folder), which a line on standard output then names. Never blocks.
FILE* tvOpenStateFile(const String& filePath);

// The state text of an opened state file, which it closes. Reads at most
// kStateFileCap + 1 bytes whatever size the file claims: a longer file is
// left unread, a line on standard output says so and the result is the empty
// text, so the game starts with defaults; it is kept as a damaged record
// before the next save. A file that fails while being read is unreadable.
String tvReadStateText(FILE* file);

// Replaces the file at `filePath` (or, when it is a symbolic link, the file
// it points to) with the UTF-8 encoding of `state` through a synced temporary
// file of its own in the same folder, so a crash, or another copy saving at
// the same moment, leaves a whole record. 0 written, -1 could not write (or
// the place is not a regular file), -2 short write; a failure leaves the old
// record and prints one line on standard output.
int tvWriteStateFile(const String& filePath, const String& state);

// A state file that is there but could not be opened or read (no
// permission, an I/O error, no file handles left) is never saved over while
// the program runs: the reason is named once on standard output, and saves
// to that path fail from then on. The platform's open and read call these;
// every load of the state file begins with tvBeginStateLoad.
void tvBeginStateLoad(const String& filePath);
void tvNoteStateUnreadable(const String& filePath, const std::string& why);
bool tvStateUnreadable(const String& filePath);
// Whether any state file read so far was there but could not be read.
bool tvAnyStateUnreadable();

// A record that did not load whole is kept before the next save replaces
// it: copies beside the state file named after it with kDamagedSuffix, the
// newest first and then ".1", ".2" up to kDamagedCopies in all.
extern const char* const kDamagedSuffix;
extern const int kDamagedCopies;
void tvKeepDamagedState();
// Whether the next save must first keep the record it replaces; the platform's
// save asks, and calls tvDamagedStateKept once the copy is made.
bool tvDamagedStateToKeep();
void tvDamagedStateKept();
// The name of damaged copy `n` (0 the newest) of the state file at `filePath`.
std::string tvDamagedCopyName(const std::string& filePath, int n);

// Holds the lock that saves of the state file at `filePath` take, across a
// read, a merge and a save, so copies of a program sharing the file take
// turns; saves made meanwhile by this process go ahead under it. Never
// blocks for long: a copy that cannot have it in time goes on without it
// (every record written is still whole).
void tvLockState(const String& filePath);
void tvUnlockState();

// The application's merge of two saves of the state record (see
// vx_app_SetStateMerge); without one, `mine` is kept as it is.
void tvSetStateMerge(VXStateMerge merge);
String tvMergeState(const String& mine, const String& base, const String& stored);

// Copies every line the program prints into the file at `filePath` as well,
// from its first line on: a fresh file each run, the previous run's kept
// beside it with kOldLogSuffix added, each line written through at once (a
// crash loses none) and at most kLogMaxBytes in one run, ended by a line
// saying so. False, with a line on standard output and nothing copied, when
// the file cannot be made or something other than a file has its name.
bool tvKeepLog(const String& filePath);
extern const long long kLogMaxBytes;
extern const char* const kOldLogSuffix;
// The platform's part of the log: sets the previous file aside and opens a
// new one (false, with the reason), and appends bytes to it.
bool tvOpenLogFile(const String& filePath, std::string* why);
void tvWriteLogFile(const std::string& bytes);

// The host file operations on the desktop mapping, for code that runs
// without a host object.
FILE* tvOpenFile(const String& path, const String& mode);
unsigned char* tvLoadData(const String& path, int* length);
String tvLoadString(const String& path);
String tvLoadState();
int tvSaveState(const String& state);
