// Window and dialog procedures.
#pragma once

#include <windows.h>

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
class CVelquorandimestra;

// The main dialog's procedure. The dialog is created with its document
// manager as the lParam (CreateDialogParamW), which it keeps in its
// GWLP_USERDATA: nothing in a window procedure reaches for a global.
INT_PTR CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The manager handed to the main dialog `window`, or null.
CVelquorandimestra* MainWindowManager(HWND window);
INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The About box, the text output window and the kind editor: the button
// `close_id` (also pressed by Enter, as the default button) ends the box with
// 1, its close box with 0; Escape and every other command leave it open.
INT_PTR CloseableBoxProc(HWND window, UINT message, WPARAM wParam, WORD close_id);

// The shortcuts of `window` applied to `message`, as the message loop does
// before the dialog's own keys; true when one took it. Ctrl+Z in a field of
// the main window that holds typed text not yet taken is left to the field:
// its own undo, as in every Windows program.
bool TranslateShortcut(HWND window, HACCEL shortcuts, MSG* message);

// The 編集 menu's items greyed when there is nothing to undo or redo.
void UpdateEditMenu(HWND window);

// Registers the main window class "Velquorandimestra_Top"; false on failure.
bool RegisterMainWindowClass(HINSTANCE instance);
