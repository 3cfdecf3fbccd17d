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

inline bool IsHighSurrogate(wchar_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(wchar_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The length of the longest start of `text` of at most `limit` units that
// does not end between the two halves of a surrogate pair.
inline std::size_t CharBoundary(std::wstring_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    return limit > 0 && IsHighSurrogate(text[limit - 1]) && IsLowSurrogate(text[limit]) ? limit - 1 : limit;
}

// At most `limit` units of a window's text (the 2047-unit fields), cut at a
// character boundary.
std::wstring GetWindowString(HWND window, std::size_t limit);

// The text of a list box line, read with its length.
std::wstring GetListBoxLine(HWND list, int index);

// The text of a combo box entry, read with its length.
std::wstring GetComboBoxEntry(HWND combo, int index);

// The same texts in the core's string type, for the controls that show a
// record's texts: the conversion is made here, once.
inline std::u16string WindowText(HWND window) { return ToU16(GetWindowString(window)); }
inline std::u16string WindowText(HWND window, std::size_t limit) { return ToU16(GetWindowString(window, limit)); }
inline std::u16string ListBoxText(HWND list, int index) { return ToU16(GetListBoxLine(list, index)); }
inline std::u16string ComboBoxText(HWND combo, int index) { return ToU16(GetComboBoxEntry(combo, index)); }
// Shows a core text as a window's text; false when the window refused it.
inline bool ShowWindowText(HWND window, const std::u16string& text) {
    return SetWindowTextW(window, WidePointer(text)) != FALSE;
}

// The file name part of a path: week.vqf for C:\plans\week.vqf.
std::wstring FileNameOf(const std::wstring& path);
