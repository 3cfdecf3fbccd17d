// Earlier versions of each document, kept by every save, and the command
// that opens one of them.
#include "Backups.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "File.h"
#include "VqfCodec.h"
#include "WideText.h"

namespace {

std::wstring g_root;  // empty: in the user's local application data

// The record in each folder naming its document, as the last-file record
// names a path. Its extension keeps it out of the open chooser.
constexpr wchar_t kFolderRecord[] = L"document.dat";
// A document's name in its folder's name is cut here: a folder name must
// stay under Windows' 255 units with the hash after it.
constexpr std::size_t kNameUnits = 100;
constexpr std::size_t kCopyChunk = std::size_t{1} << 20;

// At most kNameUnits of a name, never half a surrogate pair.
std::wstring ShortName(const std::wstring& name) { return name.substr(0, CharBoundary(name, kNameUnits)); }

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// FNV-1a over the path's units as Windows compares them (upper case, one
// kind of slash): the same document under C:\Plans and c:\plans is one.
std::uint32_t PathHash(const std::wstring& path) {
    std::wstring key = path;
    std::replace(key.begin(), key.end(), L'/', L'\\');
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    std::uint32_t hash = 2166136261u;
    for (wchar_t unit : key) {
        hash = (hash ^ (unit & 0xFF)) * 16777619u;
        hash = (hash ^ (unit >> 8)) * 16777619u;
    }
    return hash;
}

std::wstring FolderDocument(const std::wstring& folder) {
    const FileHandle record(OpenForReading(folder + L"\\" + kFolderRecord, FILE_SHARE_READ));
    if (!record.ok()) return {};
    const auto bytes = ReadAll(record.get(), 4 + 2 * kLastFilePathUnits);
    return bytes ? ToWide(DecodeLastFileRecord(*bytes)) : std::wstring();
}

bool NameFolder(const std::wstring& folder, const std::wstring& document) {
    const FileHandle record(CreateFileW((folder + L"\\" + kFolderRecord).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return record.ok() && WriteAll(record.get(), EncodeLastFileRecord(ToU16(document)));
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring FolderPartOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// "plan 2026-12-09 18-34-12.vqf": the document's name and the time a save
// replaced the version, in the program's own zone (UTC+9) like every time
// it shows. Not the file's own write time, which a sync program may set to
// anything.
std::wstring VersionName(const std::wstring& document) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    std::wstring stem = FileNameOf(document);
    if (stem.size() >= 4 && SamePath(stem.substr(stem.size() - 4), L".vqf")) stem.resize(stem.size() - 4);
    ULARGE_INTEGER t{};
    t.LowPart = now.dwLowDateTime;
    t.HighPart = now.dwHighDateTime;
    t.QuadPart += 9ull * 3600 * 10000000;
    const FILETIME zoned{t.LowPart, t.HighPart};
    SYSTEMTIME s{};
    FileTimeToSystemTime(&zoned, &s);
    wchar_t when[32];
    wsprintfW(when, L" %04u-%02u-%02u %02u-%02u-%02u", s.wYear, s.wMonth, s.wDay, s.wHour, s.wMinute, s.wSecond);
    return ShortName(stem) + when;
}

// Copies the file at `from` into a new file in `folder`; the copy's path and
// the digest of the bytes copied, or nothing (no partial copy is left). The
// copy's own write time is the moment it was kept, which orders the
// versions.
std::optional<std::pair<std::wstring, ContentDigest>> CopyVersion(const std::wstring& from, const std::wstring& folder) {
    const FileHandle source(OpenForReading(from, FILE_SHARE_READ));
    if (!source.ok()) return std::nullopt;
    const std::wstring base = folder + L"\\" + VersionName(from);
    std::wstring path;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int n = 1; n < 100 && h == INVALID_HANDLE_VALUE; ++n) {
        path = base + (n == 1 ? L"" : L" (" + std::to_wstring(n) + L")") + L".vqf";
        h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) return std::nullopt;
    }
    FileHandle copy(h);
    if (!copy.ok()) return std::nullopt;
    DigestOfBytes digest;
    std::vector<std::uint8_t> buffer(kCopyChunk);
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) ok = false;
        if (!ok || got == 0) break;
        const std::span<const std::uint8_t> chunk(buffer.data(), got);
        digest.Add(chunk);
        if (!WriteAll(copy.get(), chunk)) ok = false;
    }
    if (!copy.Close() || !ok) {
        DeleteFileW(path.c_str());
        return std::nullopt;
    }
    return std::make_pair(path, digest.Finish());
}

// Removes the oldest versions in `folder` beyond the newest ones (by the
// time each was kept), never the one just kept.
void KeepNewest(const std::wstring& folder, const std::wstring& just_kept) {
    struct Version {
        std::uint64_t written;
        std::wstring path;
    };
    std::vector<Version> versions;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW((folder + L"\\*.vqf").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::wstring path = folder + L"\\" + found.cFileName;
        if (SamePath(path, just_kept)) continue;
        const std::uint64_t written =
            (static_cast<std::uint64_t>(found.ftLastWriteTime.dwHighDateTime) << 32) | found.ftLastWriteTime.dwLowDateTime;
        versions.push_back({written, path});
    } while (FindNextFileW(find, &found));
    FindClose(find);
    // Newest first; within one write time, the later name (" (2)" after the
    // plain one, " (10)" after " (9)").
    std::sort(versions.begin(), versions.end(), [](const Version& a, const Version& b) {
        if (a.written != b.written) return a.written > b.written;
        if (a.path.size() != b.path.size()) return a.path.size() > b.path.size();
        return a.path > b.path;
    });
    for (std::size_t i = kKeptVersions - 1; i < versions.size(); ++i) DeleteFileW(versions[i].path.c_str());
}

}  // namespace

std::wstring BackupsRoot() {
    if (!g_root.empty()) return g_root;
    return UserDataPath(L"backups");
}

void SetBackupsRoot(std::wstring path) { g_root = std::move(path); }

std::wstring BackupFolderOf(const std::wstring& document, bool create) {
    const std::wstring root = BackupsRoot();
    if (root.empty() || document.empty()) return {};
    wchar_t hash[16];
    wsprintfW(hash, L"-%08X", static_cast<unsigned>(PathHash(document)));
    const std::wstring base = root + L"\\" + ShortName(FileNameOf(document)) + hash;
    for (int n = 1; n <= 16; ++n) {
        const std::wstring folder = n == 1 ? base : base + L"-" + std::to_wstring(n);
        if (!IsFolder(folder)) {
            if (!create) return {};
            // The folder and any above it that is missing.
            if (SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr) != ERROR_SUCCESS) return {};
            return NameFolder(folder, document) ? folder : std::wstring();
        }
        const std::wstring named = FolderDocument(folder);
        if (named.empty()) {
            // Its record was never written: the folder is taken as this
            // document's, and named now.
            if (create) NameFolder(folder, document);
            return folder;
        }
        if (SamePath(named, document)) return folder;
    }
    return {};
}

bool IsKeptVersion(const std::wstring& path) {
    const std::wstring root = BackupsRoot();
    return !root.empty() && path.size() > root.size() + 1 && (path[root.size()] == L'\\' || path[root.size()] == L'/') &&
           SamePath(path.substr(0, root.size()), root);
}

std::wstring DocumentOfKeptVersion(const std::wstring& path) {
    return IsKeptVersion(path) ? FolderDocument(FolderPartOf(path)) : std::wstring();
}

EarlierVersion::EarlierVersion(const std::wstring& document) {
    // A version of a version is not kept: saving into the folders of
    // versions is saving a copy, not a document.
    const DWORD attributes = GetFileAttributesW(document.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) || IsKeptVersion(document))
        return;
    folder_ = BackupFolderOf(document, true);
    if (folder_.empty()) return;
    if (auto copy = CopyVersion(document, folder_)) {
        copy_ = std::move(copy->first);
        content_ = copy->second;
    }
}

EarlierVersion::~EarlierVersion() {
    if (!copy_.empty()) DeleteFileW(copy_.c_str());
}

void EarlierVersion::KeepAside(const ContentDigest& saved) {
    if (copy_.empty()) return;
    if (content_ == saved) return;  // the destructor removes the copy
    KeepNewest(folder_, copy_);
    copy_.clear();
}

std::wstring EarlierVersionsFolder(const std::wstring& document) {
    std::wstring folder;
    if (!document.empty())
        folder = IsKeptVersion(document) ? FolderPartOf(document) : BackupFolderOf(document, false);
    return folder.empty() ? BackupsRoot() : folder;
}
