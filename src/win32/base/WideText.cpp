#include "WideText.h"

#include <windowsx.h>

#include "VqfCodec.h"

std::wstring FileNameOf(const std::wstring& path) { return ToWide(FileNameOfPath(ToU16(path))); }

std::wstring GetWindowString(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

std::wstring GetWindowString(HWND window, std::size_t limit) {
    std::wstring text = GetWindowString(window);
    text.resize(CharBoundary(text, limit));
    return text;
}

namespace {

// An entry's text, read with its length: `length` and `read` are the
// control's two messages for it; both answer -1 for a bad index.
template <typename Length, typename Read>
std::wstring EntryText(Length length, Read read) {
    const int units = length();
    if (units <= 0) return {};
    std::wstring text(static_cast<std::size_t>(units) + 1, L'\0');
    const int got = read(text.data());
    text.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return text;
}

}  // namespace

std::wstring GetListBoxLine(HWND list, int index) {
    return EntryText([&] { return ListBox_GetTextLen(list, index); },
                     [&](wchar_t* into) { return ListBox_GetText(list, index, into); });
}

std::wstring GetComboBoxEntry(HWND combo, int index) {
    return EntryText([&] { return ComboBox_GetLBTextLen(combo, index); },
                     [&](wchar_t* into) { return ComboBox_GetLBText(combo, index, into); });
}
