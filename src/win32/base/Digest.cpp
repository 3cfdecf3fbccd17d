#include "Digest.h"

#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "File.h"

namespace {

constexpr DWORD kChunk = 1u << 20;

// The system's SHA-256, opened once for the whole run (opening it is slow);
// null when the system offers none.
BCRYPT_ALG_HANDLE Sha256() {
    static const BCRYPT_ALG_HANDLE algorithm = [] {
        BCRYPT_ALG_HANDLE h = nullptr;
        const bool opened = BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&h, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
        return opened ? h : nullptr;
    }();
    return algorithm;
}

}  // namespace

DigestOfBytes::DigestOfBytes() {
    BCRYPT_HASH_HANDLE h = nullptr;
    const BCRYPT_ALG_HANDLE algorithm = Sha256();
    if (algorithm && BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &h, nullptr, 0, nullptr, 0, 0)))
        hash_ = h;
    else
        failed_ = true;
}

DigestOfBytes::~DigestOfBytes() {
    if (hash_) BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(hash_));
}

void DigestOfBytes::Add(std::span<const std::uint8_t> bytes) {
    while (!failed_ && !bytes.empty()) {
        const ULONG n = static_cast<ULONG>(std::min<std::size_t>(bytes.size(), kChunk));
        if (!BCRYPT_SUCCESS(BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(hash_),
                                           const_cast<PUCHAR>(bytes.data()), n, 0)))
            failed_ = true;
        size_ += n;
        bytes = bytes.subspan(n);
    }
}

bool DigestOfBytes::AddRestOf(HANDLE file) {
    std::vector<std::uint8_t> buffer(kChunk);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), kChunk, &got, nullptr)) return false;
        if (got == 0) return true;
        Add(std::span(buffer.data(), got));
    }
}

std::optional<ContentDigest> DigestOfBytes::Finish() {
    if (failed_) return std::nullopt;
    ContentDigest digest;
    digest.size = size_;
    failed_ = true;  // finished: no more bytes
    if (!BCRYPT_SUCCESS(BCryptFinishHash(static_cast<BCRYPT_HASH_HANDLE>(hash_), digest.sha256.data(),
                                         static_cast<ULONG>(digest.sha256.size()), 0)))
        return std::nullopt;
    return digest;
}

std::optional<ContentDigest> DigestOfFile(const std::wstring& path) {
    const FileHandle file(OpenForReading(path, FILE_SHARE_READ));
    DigestOfBytes digest;
    if (!file.ok() || !digest.AddRestOf(file.get())) return std::nullopt;
    return digest.Finish();
}
