// Text at the boundary between the portable core (char16_t) and the Win32
// API (wchar_t). Both are UTF-16 code units on Windows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t must be a UTF-16 code unit");

inline std::wstring ToWide(std::u16string_view s) { return std::wstring(s.begin(), s.end()); }

inline std::u16string ToU16(std::wstring_view s) { return std::u16string(s.begin(), s.end()); }

// A UTF-16 text handed to the Win32 API as it is, for texts too long to copy
// lightly (a report of thousands of items).
inline const wchar_t* WidePointer(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// The whole text of a window, read with its length: no fixed buffer.
std::wstring GetWindowString(HWND window);

// At most `limit` units of a window's text (the 2047-unit fields).
std::wstring GetWindowString(HWND window, std::size_t limit);

// The text of a list box line, read with its length.
std::wstring GetListBoxLine(HWND list, int index);

// The text of a combo box entry, read with its length.
std::wstring GetComboBoxEntry(HWND combo, int index);
