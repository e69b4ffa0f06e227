// What the Windows storage files share: the framework's UTF-16 strings as the
// system's wide strings and back, the system's own words for an error code,
// and a read-only C stream over a file handle. Included only by *_windows.cpp.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

#include "runtime/string.h"

std::wstring tvWide(const String& text);
String tvFromWide(const std::wstring& text);
// FormatMessage's text without its closing full stop and line break.
String tvDescribeError(DWORD error);
// A binary read stream that owns `handle`, or null (the handle closed) when
// the C library cannot take it.
FILE* tvReadStreamOf(HANDLE handle);
