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

// Where the record goes when it cannot be written beside the program, and
// is read from when the one there cannot be read: the same file name in a
// folder of the program's name in the user's local application data
// (FOLDERID_LocalAppData\Velquorandimestra\Velquorandimestra.dat). Empty
// when Windows names no such folder.
std::wstring LastFileRecordFallbackPath();
void SetLastFileRecordFallbackPath(std::wstring path);  // tests; empty: the default

// The document named on a command line (the whole line, program name first,
// as GetCommandLineW gives it): everything after the program's name, quotes
// taken out and blanks trimmed, so that a path with spaces counts whether
// it was quoted or not. Empty when nothing follows the name.
std::wstring PathArgument(std::wstring_view command_line);

// Status of FileOpen beyond 0 (loaded).
inline constexpr int kFileOpenUnsupported = 1;  // unreadable or refused by the structural check
inline constexpr int kFileOpenNoItems = 2;      // valid structure without items: the open document stays
