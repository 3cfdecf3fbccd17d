// The main window as it grows and shrinks: the item list and the status
// field take the room, the buttons under the list follow its bottom edge,
// every other control keeps its place from the top left, and the window is
// never made smaller than the template's size. Its place is remembered
// between runs.
#pragma once

#include <windows.h>

#include <string>

// Notes the controls' places as the template laid them out (WM_INITDIALOG).
void NoteMainLayout(HWND dialog);
// Lays the controls out for the dialog's client size (WM_SIZE).
void LayOutMain(HWND dialog);
// The smallest size: the template's, at the window's DPI (WM_GETMINMAXINFO).
void LimitMainSize(HWND dialog, MINMAXINFO* info);

// The file that remembers the window's place: window.dat in the program's
// folder of the user's local application data; empty when Windows names no
// such folder. Tests put it elsewhere; an empty path restores the default.
std::wstring WindowPlacePath();
void SetWindowPlacePath(std::wstring path);
// Writes the window's normal place and whether it is maximized, atomically.
bool SaveWindowPlace(HWND window);
// Puts the window where the file says, on the monitor it was on, or on the
// primary one (moved and shrunk to fit) when no monitor shows that place.
// Returns the show command to use: `show`, or maximized when the window was
// and `show` asks for nothing else. A missing or broken file leaves the
// window where it is.
int RestoreWindowPlace(HWND window, int show);
