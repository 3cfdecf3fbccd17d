// Window and dialog procedures.
#pragma once

#include <windows.h>

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The main dialog's procedure. The dialog is created with its document
// manager as the lParam (CreateDialogParamW), which it keeps in its
// GWLP_USERDATA: nothing in a window procedure reaches for a global.
INT_PTR CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The shortcuts of `window` applied to `message`, as the message loop does
// before the dialog's own keys; true when one took it. Ctrl+Z in a field of
// the main window that holds typed text not yet taken is left to the field:
// its own undo, as in every Windows program.
bool TranslateShortcut(HWND window, HACCEL shortcuts, MSG* message);

// The 編集 menu's items greyed when there is nothing to undo or redo.
void UpdateEditMenu(HWND window);

// Registers the main window class "Velquorandimestra_Top"; false on failure.
bool RegisterMainWindowClass(HINSTANCE instance);
