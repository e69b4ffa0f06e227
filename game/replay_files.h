// The replayer's files: the checks before a window opens (the frame folder,
// the timeline) and the recording, which never destroys a file it was not
// told to replace. What a folder or a regular file is, and how a file is
// replaced whole, differs by platform (game/replay_files*.cpp).
#pragma once

#include <cstdio>
#include <string>

// Frames are written into an existing folder the program may write to; said
// before the window opens rather than after the run.
bool FolderWritable(const std::string& folder);

// Reads the timeline at `path` (UTF-8) whole: a regular file of at most
// kTimelineMaxBytes (a folder, a device or a pipe is refused, since only a
// file can be read to its end and sized beforehand). False with a reason.
bool ReadTimeline(const char* path, std::string* text, std::string* why);

// A recording in progress: the events go to `file`; when an existing file is
// being replaced they go to the temporary file `temp` beside it, which takes
// its place only when the recording was written whole.
struct Recording {
  FILE* file = nullptr;
  std::string path;
  std::string temp;
};

// Starts a recording at `path`: a new regular file, created exclusively so no
// file, link or pipe already there is ever opened; with `replace`, an
// existing regular file is recorded over (through a temporary file). False
// with a reason when the path is anything else.
bool OpenRecording(const char* path, bool replace, Recording* recording, std::string* why);

// Flushes, syncs and closes the recording and, when it replaces a file, renames
// it over that file. False with a reason when any of it failed: a replaced
// file then stays as it was.
bool FinishRecording(Recording* recording, std::string* why);
