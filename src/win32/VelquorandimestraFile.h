// Files of the document manager: where the last-file record lives (and the
// hook that tests use to move it), and what FileOpen returns.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The last-file record: the executable's path with its last three characters
// replaced by "dat" (C:\tools\plan.exe -> C:\tools\plan.dat).
std::wstring LastFileRecordPath();

// Puts the record somewhere else (tests); an empty path restores the default.
void SetLastFileRecordPath(std::wstring path);

// The document named on a command line (the whole line, program name first,
// as GetCommandLineW gives it): everything after the program's name, quotes
// taken out and blanks trimmed, so that a path with spaces counts whether
// it was quoted or not. Empty when nothing follows the name.
std::wstring PathArgument(std::wstring_view command_line);

// Status of FileOpen beyond 0 (loaded).
inline constexpr int kFileOpenUnsupported = 1;  // unreadable or refused by the structural check
inline constexpr int kFileOpenNoItems = 2;      // valid structure without items: the open document stays
