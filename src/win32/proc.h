// Window and dialog procedures.
#pragma once

#include <windows.h>

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TextOutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditActionKindDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the main window class "Velquorandimestra_Top"; false on failure.
bool RegisterMainWindowClass(HINSTANCE instance);
