#include "Staging.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

enum class Created { Yes, Taken, Refused };

Created CreateExclusively(const fs::path& path) {
#ifdef _WIN32
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Created::Taken : Created::Refused;
    }
    CloseHandle(file);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno == EEXIST ? Created::Taken : Created::Refused;
    ::close(fd);
#endif
    return Created::Yes;
}

}  // namespace

std::optional<fs::path> CreateStagingFile(const fs::path& base, const char* suffix) {
    // Two runs writing one output at the same time draw different names; a
    // taken name only makes another draw. The clock and the place of this
    // thread's engine join the seed: a random_device may repeat itself.
    thread_local std::mt19937 draw = [] {
        int here = 0;
        std::seed_seq seed{static_cast<std::uint32_t>(std::random_device{}()),
                           static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()),
                           static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&here))};
        return std::mt19937(seed);
    }();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char tag[16];
        std::snprintf(tag, sizeof tag, ".%08x", static_cast<unsigned>(draw()));
        fs::path path = base;
        path += std::string(tag) + suffix;
        switch (CreateExclusively(path)) {
            case Created::Yes:
                return path;
            case Created::Taken:
                continue;
            case Created::Refused:
                return std::nullopt;
        }
    }
    return std::nullopt;
}
