// The replayer's checks of its files before a window opens: the frame folder
// and the timeline. What a folder or a regular file is differs by platform
// (game/replay_files*.cpp).
#pragma once

#include <string>

// Frames are written into an existing folder the program may write to; said
// before the window opens rather than after the run.
bool FolderWritable(const std::string& folder);

// Reads the timeline at `path` (UTF-8) whole: a regular file of at most
// kTimelineMaxBytes (a folder, a device or a pipe is refused, since only a
// file can be read to its end and sized beforehand). False with a reason.
bool ReadTimeline(const char* path, std::string* text, std::string* why);
