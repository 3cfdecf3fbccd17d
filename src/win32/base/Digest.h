// What a file holds, told apart from any other content without keeping a
// copy of it: its size and the SHA-256 digest of its bytes.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct ContentDigest {
    std::uint64_t size = 0;
    std::array<std::uint8_t, 32> sha256{};
    bool operator==(const ContentDigest&) const = default;
};

// Takes bytes in order, as a file is read or written, and gives their
// digest at the end.
class DigestOfBytes {
public:
    DigestOfBytes();
    ~DigestOfBytes();
    DigestOfBytes(const DigestOfBytes&) = delete;
    DigestOfBytes& operator=(const DigestOfBytes&) = delete;

    void Add(std::span<const std::uint8_t> bytes);
    // Reads the open file from its current position to its end into the
    // digest; false when it cannot be read.
    bool AddRestOf(HANDLE file);
    // Nothing when the system could not digest the bytes; the digest ends here.
    std::optional<ContentDigest> Finish();

private:
    void* hash_ = nullptr;  // BCRYPT_HASH_HANDLE
    std::uint64_t size_ = 0;
    bool failed_ = false;
};

// The digest of the whole file at `path`; nothing when it cannot be read.
std::optional<ContentDigest> DigestOfFile(const std::wstring& path);
