// Entry of the vqf command-line program.
#include <iostream>
#include <string>
#include <vector>

#include "VqfTool.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <memory>

namespace {

std::string Utf8FromWide(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size - 1));
    return out;
}

// The command line as UTF-8, whatever the ANSI code page: file names and
// titles may be Japanese.
std::vector<std::string> Arguments() {
    int count = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> argv(CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    std::vector<std::string> args;
    for (int i = 0; argv && i < count; ++i) args.push_back(Utf8FromWide(argv.get()[i]));
    return args;
}

}  // namespace

int main() {
    // Everything printed is UTF-8; the console is told so. Binary mode keeps
    // the report's CR LF as it is.
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return RunVqf(Arguments(), std::cout, std::cerr);
}

#else

int main(int argc, char** argv) { return RunVqf(std::vector<std::string>(argv, argv + argc), std::cout, std::cerr); }

#endif
