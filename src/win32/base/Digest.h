// What a file holds, told apart from any other content without keeping a
// copy of it: its size and the XXH64 hash (seed 0) of its bytes. It is fast
// enough to run over every byte opened or saved, and two different contents
// of one size share a hash by accident about once in 2^64.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

struct ContentDigest {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    bool operator==(const ContentDigest&) const = default;
};

// Takes bytes in order, as a file is read or written, and gives their
// digest at the end.
class DigestOfBytes {
public:
    void Add(std::span<const std::uint8_t> bytes);
    // Reads the open file from its current position to its end into the
    // digest; false when it cannot be read.
    bool AddRestOf(HANDLE file);
    ContentDigest Finish() const;

private:
    void AddStripe(const std::uint8_t* stripe);

    std::array<std::uint64_t, 4> lanes_{0x9E3779B185EBCA87ull + 0xC2B2AE3D27D4EB4Full, 0xC2B2AE3D27D4EB4Full, 0,
                                        0 - 0x9E3779B185EBCA87ull};
    std::array<std::uint8_t, 32> pending_{};  // bytes of a stripe not yet complete
    std::size_t pending_size_ = 0;
    std::uint64_t size_ = 0;
};

// The digest of the whole file at `path`; nothing when it cannot be read.
std::optional<ContentDigest> DigestOfFile(const std::wstring& path);
