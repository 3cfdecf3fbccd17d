// Files as the program handles them: a handle that closes itself, reading a
// whole small file, writing every byte, and replacing a file's content in one
// step so that a failed save never destroys the previous file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// An open file handle, closed when it goes out of scope.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : h_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool ok() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    // Closes now; false when closing failed (a write that never reached the
    // disk may say so only here).
    bool Close() {
        if (!ok()) return true;
        const BOOL closed = CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }

private:
    HANDLE h_;
};

// Opens an existing file for reading; `share` is what others may do with it
// meanwhile (0: nothing). INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenForReading(const std::wstring& path, DWORD share);

bool Exists(const std::wstring& path);

// Fills `into` with the next bytes of the file; false on a read error or when
// the file ends first.
bool ReadExactly(HANDLE file, std::span<std::uint8_t> into);

// The whole content of an open file, read from its start; nothing when it
// cannot be read or is larger than `limit` bytes. Only for small files.
std::optional<std::vector<std::uint8_t>> ReadAll(HANDLE file, std::uint64_t limit);

// Writes every byte; false when the file took less.
bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes);

// The steps of ReplaceFileContent. It writes a temporary file beside the
// target, flushes and closes it, then replaces the target in one step:
// ReplaceFileW when the target exists (KeepIdentity), which keeps the file's
// attributes, security, creation time and streams, else (or where that call
// cannot be used) a move over the target.
enum class SaveStage { CreateTemp, Write, Flush, Close, Replace, KeepIdentity };

// Called before each step but Write; returning true makes that step fail as a
// full disk or a refused access would (KeepIdentity: as on a file system
// where ReplaceFileW cannot be used, so that the save falls back to the
// move). An empty hook restores normal saving. Tests install it.
using SaveFaultHook = std::function<bool(SaveStage)>;
void SetSaveStageHook(SaveFaultHook hook);

// Where ReplaceFileContent's bytes go: the temporary file's handle and the
// next chunk; false when the chunk was not all written. The default is
// WriteAll; tests install one that fails as a full disk does.
using SaveSink = std::function<bool(HANDLE file, std::span<const std::uint8_t> chunk)>;
void SetSaveSink(SaveSink sink);

// Takes the bytes of a file chunk by chunk; false when a chunk was not all
// written (the writer then stops).
using ByteSink = std::function<bool(std::span<const std::uint8_t> chunk)>;

// Lays a file's content down through a sink; false when it was not all
// written.
using ContentWriter = std::function<bool(const ByteSink& sink)>;

// Writes the content that `write` produces to `target` so that the target is
// either the old file or the complete new one. Any failure removes the
// temporary file and leaves the target as it was; so does an exception from
// `write` (it reaches the caller). ERROR_SUCCESS when the content is in
// place, else the system's reason for the step that failed.
DWORD ReplaceFileContent(const std::wstring& target, const ContentWriter& write);

// What tells one version of a file from another without reading it: its
// last-write time and size.
struct FileStamp {
    FILETIME written{};
    std::uint64_t size = 0;
    bool operator==(const FileStamp& other) const {
        return CompareFileTime(&written, &other.written) == 0 && size == other.size;
    }
};
// The stamp of an open file, or of the file at `path`; nothing when it
// cannot be read (for a path: also when there is no such file).
std::optional<FileStamp> StampOf(HANDLE file);
std::optional<FileStamp> StampOf(const std::wstring& path);

// The system's own words for an error code, on one line ("アクセスが拒否
// されました。"); the code itself where the system has no words for it.
std::wstring SystemErrorText(DWORD error);

// The path of `name` in the program's own folder of the user's local
// application data (FOLDERID_LocalAppData\Velquorandimestra\), where its
// records and kept versions live; empty when the system does not say where
// that folder is.
std::wstring UserDataPath(const std::wstring& name);
