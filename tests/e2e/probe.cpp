// Reads the state of a running Velquorandimestra from outside, as another
// program on the desktop would. Used by the end-to-end test.
//   probe            the window title, then each line of the item list box
//   probe rect ID    the screen point at the centre of control ID: "x y"
//   probe window     the main window's rectangle as an X geometry "WxH+X+Y"
// Texts are printed as UTF-8.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void PrintUtf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int main(int argc, char** argv) {
    HWND main = FindWindowW(L"Velquorandimestra_Top", nullptr);
    if (!main) {
        std::fputs("no main window\n", stderr);
        return 2;
    }
    if (argc == 2 && std::string(argv[1]) == "window") {
        RECT r{};
        GetWindowRect(main, &r);
        std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        return 0;
    }
    if (argc == 3 && std::string(argv[1]) == "rect") {
        RECT r{};
        if (!GetWindowRect(GetDlgItem(main, std::atoi(argv[2])), &r)) return 2;
        std::printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return 0;
    }
    wchar_t title[1024] = {};
    GetWindowTextW(main, title, 1024);
    PrintUtf8(title);
    HWND list = GetDlgItem(main, 40042);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring line(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const LRESULT got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(line.data()));
        line.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        PrintUtf8(line);
    }
    return 0;
}
