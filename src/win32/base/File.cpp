#include "File.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>

namespace {

SaveFaultHook g_save_fault;
SaveSink g_save_sink;

// A step made to fail fails with the reason a real failure of it would give.
bool Fault(SaveStage stage) {
    if (!g_save_fault || !g_save_fault(stage)) return false;
    SetLastError(stage == SaveStage::Flush || stage == SaveStage::Close ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED);
    return true;
}

// The reason the call just made failed, never ERROR_SUCCESS.
DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

// The folder part of a path, its last backslash included ("" for a bare
// name).
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

// Creates a new empty file of a short name of its own in `folder`
// ("~vq" + 5 hex digits + ".tmp"): the name does not grow with the target's,
// so a target near the classic 260-unit limit still has room beside it, and
// CREATE_NEW never takes over someone else's file. Returns the open handle
// and the path, or INVALID_HANDLE_VALUE.
HANDLE CreateBeside(const std::wstring& folder, const wchar_t* prefix, std::wstring& path) {
    const DWORD process = GetCurrentProcessId() & 0xFFFF;
    for (DWORD n = 0; n < 16; ++n) {
        wchar_t name[16];
        wsprintfW(name, L"%s%04X%X.tmp", prefix, static_cast<unsigned>(process), static_cast<unsigned>(n));
        path = folder + name;
        const HANDLE h =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) return h;
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    path.clear();
    return INVALID_HANDLE_VALUE;
}

// Deletes a temporary file when it goes out of scope, unless it was kept.
class TemporaryFile {
public:
    explicit TemporaryFile(std::wstring path) : path_(std::move(path)) {}
    ~TemporaryFile() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    const std::wstring& path() const { return path_; }
    void Keep() { path_.clear(); }

private:
    std::wstring path_;
};

// What a save keeps of the file it replaces where ReplaceFileW does not keep
// it itself (a fallback move, or Wine, whose ReplaceFileW is a plain move):
// the attributes a user sets and the creation time.
struct FileIdentity {
    static constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                             FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    DWORD attributes = 0;
    FILETIME created{};

    static std::optional<FileIdentity> Of(const std::wstring& path) {
        FileHandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info{};
        if (!file.ok() || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
        return FileIdentity{info.dwFileAttributes, info.ftCreationTime};
    }

    // Gives `path` this identity where it differs. A failure here is not a
    // failed save: the content is in place.
    void GiveTo(const std::wstring& path) const {
        const std::optional<FileIdentity> now = Of(path);
        if (!now) return;
        if (CompareFileTime(&now->created, &created) != 0) {
            FileHandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        0, nullptr));
            if (file.ok()) SetFileTime(file.get(), &created, nullptr, nullptr);
        }
        if ((now->attributes & kKeptAttributes) != (attributes & kKeptAttributes))
            SetFileAttributesW(path.c_str(), (now->attributes & ~kKeptAttributes) | (attributes & kKeptAttributes));
    }
};

// Puts the finished temporary file `temp` in the place of the existing
// `target`, keeping the target's identity: ReplaceFileW, which keeps its
// attributes, security, creation time and streams. The old file is first
// moved to a backup name that this save reserved: without one, ReplaceFileW
// may fail after the old file is already gone. Where the call cannot be
// used, or fails with the old file still in place, the temporary file is
// moved over the target as before. True when the new content is in place;
// false leaves the old file under its name (restored from the backup when
// the call had moved it away).
bool ReplaceExisting(const std::wstring& target, const std::wstring& temp) {
    std::wstring backup;
    {
        FileHandle reserved(CreateBeside(FolderOf(target), L"~vb", backup));
        if (!reserved.ok()) backup.clear();
    }
    if (!backup.empty() && !Fault(SaveStage::KeepIdentity) &&
        ReplaceFileW(target.c_str(), temp.c_str(), backup.c_str(),
                     REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        DeleteFileW(backup.c_str());
        return true;
    }
    if (!backup.empty()) {
        // Moved to the backup but not replaced: the old file goes back first.
        if (!Exists(target) && !MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) return false;
        DeleteFileW(backup.c_str());
    }
    return MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace

HANDLE OpenForReading(const std::wstring& path, DWORD share) {
    return CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Moves every byte of `bytes` with `call` (ReadFile or WriteFile), at most
// 16 MiB a call; false when a call fails or moves nothing.
template <typename Byte, typename Call>
bool Whole(HANDLE file, std::span<Byte> bytes, Call call) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD moved = 0;
        if (!call(file, bytes.data() + done, chunk, &moved, nullptr) || moved == 0) return false;
        done += moved;
    }
    return true;
}

bool ReadExactly(HANDLE file, std::span<std::uint8_t> into) { return Whole(file, into, ReadFile); }

std::optional<std::vector<std::uint8_t>> ReadAll(HANDLE file, std::uint64_t limit) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return std::nullopt;
    const auto total = static_cast<std::uint64_t>(size.QuadPart);
    if (total > limit || total > SIZE_MAX) return std::nullopt;
    LARGE_INTEGER zero{};
    if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(total));
    if (!ReadExactly(file, bytes)) return std::nullopt;
    return bytes;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) { return Whole(file, bytes, WriteFile); }

void SetSaveStageHook(SaveFaultHook hook) { g_save_fault = std::move(hook); }

void SetSaveSink(SaveSink sink) { g_save_sink = std::move(sink); }

DWORD ReplaceFileContent(const std::wstring& target, const ContentWriter& write) {
    // Replacing by a move would pass over a read-only target (the move
    // needs only the folder's rights): refuse it as writing into it would.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return ERROR_ACCESS_DENIED;
    const std::optional<FileIdentity> identity =
        attributes != INVALID_FILE_ATTRIBUTES ? FileIdentity::Of(target) : std::nullopt;
    // In the target's folder, so that the final step stays on one volume.
    std::wstring temp_path;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (!Fault(SaveStage::CreateTemp)) h = CreateBeside(FolderOf(target), L"~vq", temp_path);
    const DWORD create_error = LastErrorOr(ERROR_CANNOT_MAKE);
    // Declared before the handle, so that the file is closed before it goes.
    TemporaryFile temp(std::move(temp_path));
    FileHandle file(h);
    if (!file.ok()) return create_error;

    // The reason is taken where a step fails: the steps after it (closing,
    // deleting the temporary file) set their own.
    DWORD error = ERROR_SUCCESS;
    const HANDLE out = file.get();
    bool ok = write([out, &error](std::span<const std::uint8_t> chunk) {
        const bool written = g_save_sink ? g_save_sink(out, chunk) : WriteAll(out, chunk);
        if (!written) error = LastErrorOr(ERROR_WRITE_FAULT);
        return written;
    });
    if (!ok && error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;  // the writer refused the content
    if (ok && (Fault(SaveStage::Flush) || !FlushFileBuffers(file.get()))) {
        ok = false;
        error = LastErrorOr(ERROR_WRITE_FAULT);
    }
    const bool closed = file.Close();
    if (ok && (!closed || Fault(SaveStage::Close))) {
        ok = false;
        error = LastErrorOr(ERROR_WRITE_FAULT);
    }
    if (ok && Fault(SaveStage::Replace)) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) return error;
    if (identity) {
        if (!ReplaceExisting(target, temp.path())) return LastErrorOr(ERROR_WRITE_FAULT);
        identity->GiveTo(target);
    } else if (!MoveFileExW(temp.path().c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    temp.Keep();
    return ERROR_SUCCESS;
}

std::optional<FileStamp> StampOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    return FileStamp{info.ftLastWriteTime,
                     (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow};
}

std::optional<FileStamp> StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return FileStamp{data.ftLastWriteTime,
                     (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
}

std::wstring SystemErrorText(DWORD error) {
    wchar_t* words = nullptr;
    const DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    std::wstring text(words != nullptr ? words : L"", words != nullptr ? n : 0);
    if (words != nullptr) LocalFree(words);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
    if (!text.empty()) return text;
    wchar_t code[32];
    wsprintfW(code, L"エラーコード：0x%08X", static_cast<unsigned>(error));
    return code;
}

std::wstring UserDataPath(const std::wstring& name) {
    PWSTR folder = nullptr;
    std::wstring path;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &folder)))
        path = std::wstring(folder) + L"\\Velquorandimestra\\" + name;
    CoTaskMemFree(folder);
    return path;
}
