// Files of the document manager: where the last-file record lives, and the
// hooks that tests use to move it and to make a save fail at a chosen step.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The last-file record: the executable's path with its last three characters
// replaced by "dat" (C:\tools\plan.exe -> C:\tools\plan.dat).
std::wstring LastFileRecordPath();

// Puts the record somewhere else (tests); an empty path restores the default.
void SetLastFileRecordPath(std::wstring path);

// The steps of a save. A save writes a temporary file beside the target,
// flushes and closes it, then replaces the target in one step: ReplaceFileW
// when the target exists (KeepIdentity), which keeps the file's attributes,
// security, creation time and streams, else (or where that call cannot be
// used) a move over the target.
enum class SaveStage { CreateTemp, Write, Flush, Close, Replace, KeepIdentity };

// Called before each step; returning true makes that step fail as a full
// disk or a refused access would (KeepIdentity: as on a file system where
// ReplaceFileW cannot be used, so that the save falls back to the move). A failing Write really writes half of the
// file's first chunk (half of any file below 1 MiB) first. An empty hook
// restores normal saving.
using SaveFaultHook = std::function<bool(SaveStage)>;
void SetSaveFaultHook(SaveFaultHook hook);

// Status of FileOpen beyond 0 (loaded).
inline constexpr int kFileOpenUnsupported = 1;  // unreadable or refused by the structural check
inline constexpr int kFileOpenNoItems = 2;      // valid structure without items: fatal error raised
