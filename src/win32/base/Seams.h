// The two places where the program meets the user modally (message boxes and
// the open/save choosers) and nothing else. Tests install scripted answers
// here; the default is the real platform call.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <functional>

using MessageBoxHook = std::function<int(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags)>;
using FileDialogHook = std::function<BOOL(OPENFILENAMEW* dialog)>;

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags);
BOOL ShowOpenFileDialog(OPENFILENAMEW* dialog);
BOOL ShowSaveFileDialog(OPENFILENAMEW* dialog);

// An empty hook restores the platform call.
void SetMessageBoxHook(MessageBoxHook hook);
void SetOpenFileDialogHook(FileDialogHook hook);
void SetSaveFileDialogHook(FileDialogHook hook);
