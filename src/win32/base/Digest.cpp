#include "Digest.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "File.h"

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t kPrime4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t kPrime5 = 0x27D4EB2F165667C5ull;
constexpr DWORD kReadChunk = 1u << 20;

std::uint64_t Rotl(std::uint64_t x, int r) { return (x << r) | (x >> (64 - r)); }

std::uint64_t Read64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

std::uint32_t Read32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Round(std::uint64_t lane, std::uint64_t input) { return Rotl(lane + input * kPrime2, 31) * kPrime1; }

std::uint64_t Merge(std::uint64_t hash, std::uint64_t lane) { return (hash ^ Round(0, lane)) * kPrime1 + kPrime4; }

}  // namespace

void DigestOfBytes::AddStripe(const std::uint8_t* stripe) {
    for (int i = 0; i < 4; ++i) lanes_[i] = Round(lanes_[i], Read64(stripe + 8 * i));
}

void DigestOfBytes::Add(std::span<const std::uint8_t> bytes) {
    size_ += bytes.size();
    if (pending_size_ > 0) {
        const std::size_t take = std::min(bytes.size(), pending_.size() - pending_size_);
        std::memcpy(pending_.data() + pending_size_, bytes.data(), take);
        pending_size_ += take;
        bytes = bytes.subspan(take);
        if (pending_size_ < pending_.size()) return;
        AddStripe(pending_.data());
        pending_size_ = 0;
    }
    while (bytes.size() >= pending_.size()) {
        AddStripe(bytes.data());
        bytes = bytes.subspan(pending_.size());
    }
    std::memcpy(pending_.data(), bytes.data(), bytes.size());
    pending_size_ = bytes.size();
}

bool DigestOfBytes::AddRestOf(HANDLE file) {
    std::vector<std::uint8_t> buffer(kReadChunk);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), kReadChunk, &got, nullptr)) return false;
        if (got == 0) return true;
        Add(std::span(buffer.data(), got));
    }
}

ContentDigest DigestOfBytes::Finish() const {
    std::uint64_t h = size_ >= pending_.size()
                          ? Rotl(lanes_[0], 1) + Rotl(lanes_[1], 7) + Rotl(lanes_[2], 12) + Rotl(lanes_[3], 18)
                          : kPrime5;
    if (size_ >= pending_.size())
        for (std::uint64_t lane : lanes_) h = Merge(h, lane);
    h += size_;
    const std::uint8_t* p = pending_.data();
    const std::uint8_t* end = p + pending_size_;
    for (; p + 8 <= end; p += 8) h = Rotl(h ^ Round(0, Read64(p)), 27) * kPrime1 + kPrime4;
    if (p + 4 <= end) {
        h = Rotl(h ^ (Read32(p) * kPrime1), 23) * kPrime2 + kPrime3;
        p += 4;
    }
    for (; p < end; ++p) h = Rotl(h ^ (*p * kPrime5), 11) * kPrime1;
    h ^= h >> 33;
    h *= kPrime2;
    h ^= h >> 29;
    h *= kPrime3;
    h ^= h >> 32;
    return {size_, h};
}

std::optional<ContentDigest> DigestOfFile(const std::wstring& path) {
    const FileHandle file(OpenForReading(path, FILE_SHARE_READ));
    DigestOfBytes digest;
    if (!file.ok() || !digest.AddRestOf(file.get())) return std::nullopt;
    return digest.Finish();
}
