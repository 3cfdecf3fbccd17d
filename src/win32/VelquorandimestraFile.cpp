// The life of the one document: start-up reopening, new, open, save, save as,
// and the reading and writing of the action item file.
#include "VelquorandimestraFile.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "Seams.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

constexpr std::size_t kPathUnits = 2048;  // chooser buffers to begin with, terminator included
// The longest path Windows handles, terminator included; a buffer grows to
// it when a path does not fit the one above.
constexpr std::size_t kLongestPathUnits = 32768;
constexpr wchar_t kAppTitle[] = L"Velquorandimestra";
constexpr wchar_t kFilter[] = L"アクション管理ファイル(*.vqf)\0*.vqf\0";
constexpr wchar_t kSaveCurrent[] = L"現在のアクション管理を保存しますか？";
constexpr wchar_t kOverwrite[] = L"上書き保存しますか？";
constexpr wchar_t kMissingFile[] = L"ファイルが存在しません";
constexpr wchar_t kUnsupported[] = L"入力ファイルの形式が非対応です";

std::wstring g_record_path;  // empty: beside the executable
SaveFaultHook g_save_fault;

bool Fault(SaveStage stage) { return g_save_fault && g_save_fault(stage); }

// Closes a file handle when it goes out of scope.
struct FileHandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool ok() const { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    bool Close() {
        if (!ok()) return true;
        const BOOL closed = CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return closed != FALSE;
    }
};

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

HANDLE OpenForReading(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Fills `into` with the next bytes of the file; false on a read error or when
// the file ends first.
bool ReadExactly(HANDLE file, std::span<std::uint8_t> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(into.size() - done, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(file, into.data() + done, chunk, &got, nullptr) || got == 0) return false;
        done += got;
    }
    return true;
}

// The whole content of an open file, read from its start; nothing when it
// cannot be read or is larger than `limit` bytes. Only for small files: a
// document is read through LoadFromHandle's buffer.
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

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 24));
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &put, nullptr) || put == 0) return false;
        done += put;
    }
    return true;
}

// Lays a file's content down through a sink; false when it was not all
// written.
using ContentWriter = std::function<bool(const VqfSink& sink)>;

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
        if (!file.ok() || !GetFileInformationByHandle(file.h, &info)) return std::nullopt;
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
            if (file.ok()) SetFileTime(file.h, &created, nullptr, nullptr);
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

// Writes the content that `write` produces to `target` so that the target is
// either the old file or the complete new one: a temporary file beside it is
// written, flushed and closed, then put in the target's place in one step.
// Any failure removes the temporary file and leaves the target as it was.
bool ReplaceFileContent(const std::wstring& target, const ContentWriter& write) {
    // Replacing by a move would pass over a read-only target (the move
    // needs only the folder's rights): refuse it as writing into it would.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    const std::optional<FileIdentity> identity =
        attributes != INVALID_FILE_ATTRIBUTES ? FileIdentity::Of(target) : std::nullopt;
    // In the target's folder, so that the final step stays on one volume.
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    if (!Fault(SaveStage::CreateTemp)) h = CreateBeside(FolderOf(target), L"~vq", temp);
    FileHandle file(h);
    if (!file.ok()) return false;

    bool ok = true;
    const bool disk_full = Fault(SaveStage::Write);
    try {
        if (disk_full) {
            // A disk that fills up: half of the first chunk gets written.
            write([&file](std::span<const std::uint8_t> chunk) {
                WriteAll(file.h, chunk.first(chunk.size() / 2));
                return false;
            });
            ok = false;
        } else {
            ok = write([&file](std::span<const std::uint8_t> chunk) { return WriteAll(file.h, chunk); });
        }
    } catch (const std::exception&) {
        // No memory for the writer's buffer: the temporary file must go too.
        ok = false;
    }
    if (ok) ok = !Fault(SaveStage::Flush) && FlushFileBuffers(file.h);
    const bool closed = file.Close();
    if (ok) ok = closed && !Fault(SaveStage::Close);
    if (ok) ok = !Fault(SaveStage::Replace);
    if (ok) {
        if (identity) {
            ok = ReplaceExisting(target, temp);
            if (ok) identity->GiveTo(target);
        } else {
            ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        }
    }
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

// Writes the last-file record. Failing to write it is not reported: the
// document itself was saved, and a missing or short record only means no
// file is reopened at the next start.
void WriteLastFileRecord(const std::wstring& document_path) {
    const std::vector<std::uint8_t> bytes = EncodeLastFileRecord(ToU16(document_path));
    FileHandle record(CreateFileW(LastFileRecordPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (record.ok()) WriteAll(record.h, bytes);
}

void ShowError(const std::wstring& text) { ShowMessageBox(nullptr, text.c_str(), L"ERROR", MB_OK | MB_ICONERROR); }

void SetDocumentTitle(const std::wstring& name) {
    const std::wstring title = std::wstring(kAppTitle) + L" [ " + name + L" ]";
    SetWindowTextW(GetWnd(), title.c_str());
}

// Turns a checked and loaded file into the open document: records, schedule
// list and list box, editor with the last item, kind combo box. `report` is
// false at start-up, where a file without items is skipped silently.
int LoadDocument(CVelquorandimestra& app, VqfLoadResult loaded, const std::wstring& name, const std::wstring& path,
                 bool report) {
    const VqfCheckResult& check = loaded.check;
    if (!check) return kFileOpenUnsupported;
    if (check.item_count == 0) {
        // A document must always hold an item: raise the fatal error (which
        // asks the window to close) without opening anything, so that no
        // click can reach a document without items, schedule or editor.
        if (report) MyCriticalError(kErrorFileReader, 1);
        return kFileOpenNoItems;
    }
    VqfDocument doc = std::move(loaded.doc);

    app.file_name = name;
    app.file_path = path;
    SetDocumentTitle(app.file_name);
    app.schedule = std::make_unique<CScheduleManager>();
    app.schedule->InitInstance();
    app.editor = std::make_unique<CActionEdit>();
    app.editor->InitInstance();
    app.item_list = std::move(doc.item_list);
    app.action_kinds = std::move(doc.action_kinds);

    // Every record in file order; a title already listed gets no line, and
    // the record stays in the chain.
    app.records.Rebuild();
    app.schedule->AddItems(app.item_list.get());

    HWND combo = GetDlgItem(GetWnd(), IDC_ACTION_KIND);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    WPARAM index = 0;
    for (const _KIND_LIST* kind = app.action_kinds.get(); kind; kind = kind->next.get(), ++index)
        SendMessageW(combo, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(ToWide(kind->text).c_str()));

    // Showing every item in turn would end with the last one shown: show
    // only that one. It is shown after the kinds are in, so that the combo
    // box selects its kind: with no selection the next commit would read
    // "no kind chosen".
    app.editor->SetItem(app.records.Last());
    return 0;
}

int LoadFromHandle(CVelquorandimestra& app, HANDLE file, const std::wstring& name, const std::wstring& path,
                   bool report) {
    try {
        // The file passes through one buffer: memory holds the document, not
        // the document and a copy of its file.
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > 0xFFFFFFFFll)
            return kFileOpenUnsupported;
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return kFileOpenUnsupported;
        VqfLoadResult loaded = LoadVqfFrom(static_cast<std::uint64_t>(size.QuadPart),
                                           [file](std::span<std::uint8_t> into) { return ReadExactly(file, into); });
        // A file that changed size while it was read is not the file that
        // was checked.
        LARGE_INTEGER after{};
        if (!GetFileSizeEx(file, &after) || after.QuadPart != size.QuadPart) return kFileOpenUnsupported;
        return LoadDocument(app, std::move(loaded), name, path, report);
    } catch (const std::exception&) {
        // Out of memory for a huge file: nothing may stay half-built.
        app.DeleteInstance();
        return kFileOpenUnsupported;
    }
}

// The classic chooser record, without the trailing reserved members: 76 bytes
// in the 32-bit program; a 64-bit build needs the same layout's own size.
constexpr DWORD kChooserRecordSize =
    offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(OPENFILENAMEW::lpTemplateName);
#ifndef _WIN64
static_assert(kChooserRecordSize == 76, "the 32-bit chooser record is 76 bytes");
#endif

OPENFILENAMEW ChooserRecord(std::vector<wchar_t>& path, std::vector<wchar_t>& title) {
    OPENFILENAMEW ofn{};
    ofn.lStructSize = kChooserRecordSize;
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = path.data();
    ofn.nMaxFile = static_cast<DWORD>(path.size());
    ofn.lpstrFileTitle = title.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(title.size());
    return ofn;
}

// A chooser buffer that starts with `text`: 2048 units, or longer when the
// text needs it (a document saved under a long path).
std::vector<wchar_t> ChooserBuffer(const std::wstring& text) {
    std::vector<wchar_t> buffer(std::max(kPathUnits, text.size() + 1), L'\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    return buffer;
}

// Shows a chooser. A path longer than its buffers closes the chooser with
// FNERR_BUFFERTOOSMALL: it is then shown again, with buffers for the longest
// path and the text it started with. True when a path was chosen.
bool Choose(BOOL (*show)(OPENFILENAMEW*), std::vector<wchar_t>& path, std::vector<wchar_t>& title) {
    const std::vector<wchar_t> start = path;
    for (;;) {
        OPENFILENAMEW ofn = ChooserRecord(path, title);
        if (show(&ofn)) break;
        if (CommDlgExtendedError() != FNERR_BUFFERTOOSMALL || path.size() >= kLongestPathUnits) return false;
        path = start;
        path.resize(kLongestPathUnits, L'\0');
        title.assign(kLongestPathUnits, L'\0');
    }
    path.back() = L'\0';
    title.back() = L'\0';
    return true;
}

}  // namespace

std::wstring LastFileRecordPath() {
    if (!g_record_path.empty()) return g_record_path;
    // A buffer that the path fills up may have cut it: try a longer one.
    std::vector<wchar_t> buffer(kPathUnits, L'\0');
    DWORD n = 0;
    for (;;) {
        n = GetModuleFileNameW(g_hInst, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size() - 1 || buffer.size() >= kLongestPathUnits) break;
        buffer.assign(kLongestPathUnits, L'\0');
    }
    std::wstring path(buffer.data(), std::min<std::size_t>(n, buffer.size()));
    if (path.size() >= 3) path.replace(path.size() - 3, 3, L"dat");
    return path;
}

void SetLastFileRecordPath(std::wstring path) { g_record_path = std::move(path); }

void SetSaveFaultHook(SaveFaultHook hook) { g_save_fault = std::move(hook); }

int CVelquorandimestra::FileOpen(HANDLE file, const wchar_t* name, const wchar_t* path) {
    return LoadFromHandle(*this, file, name ? name : L"", path ? path : L"", true);
}

// Saves the document to `file_path` without ever destroying the previous
// file, then records the path in the last-file record. Returns 0 when saved;
// otherwise the user has been told and nothing changed on disk.
int CVelquorandimestra::SaveFile() {
    if (file_path.empty()) return 1;
    bool saved = false;
    try {
        // The file is streamed out through a small buffer; a document too
        // large for the format is refused before its first byte is written.
        const _ITEM_LIST* items = item_list.get();
        const _KIND_LIST* kinds = action_kinds.get();
        saved = ReplaceFileContent(file_path, [items, kinds](const VqfSink& sink) {
            return WriteVqfTo(items, kinds, sink) == VqfWriteStatus::Written;
        });
    } catch (const std::exception&) {
        saved = false;
    }
    if (!saved) {
        ShowError(L"ファイル「" + file_path + L"」を保存できませんでした。");
        return 1;
    }
    WriteLastFileRecord(file_path);
    return 0;
}

int CVelquorandimestra::InitInstance() {
    file_handle = nullptr;
    file_name.clear();
    file_path.clear();
    state = STATE_NONE;
    records.Clear();
    item_list.reset();
    action_kinds.reset();
    schedule.reset();
    editor.reset();

    // Every failure below leaves the program without a document and says
    // nothing: a stale record must never keep the program from starting.
    std::wstring path;
    {
        FileHandle record(OpenForReading(LastFileRecordPath()));
        if (!record.ok()) return 0;
        const auto bytes = ReadAll(record.h, 4 + 2 * kLastFilePathUnits + 2);
        if (!bytes) return 0;
        path = ToWide(DecodeLastFileRecord(*bytes));
    }
    if (path.empty() || !Exists(path)) return 0;
    FileHandle file(OpenForReading(path));
    if (!file.ok()) return 0;
    const std::wstring name = ToWide(FileNameOfPath(ToU16(path)));
    if (LoadFromHandle(*this, file.h, name, path, false) == 0) state = STATE_OPEN;
    return 0;
}

// Asks whether to save the open document before it is replaced, and tears it
// down unless the user cancels. Returns false when the command must stop:
// Cancel, a box that gave no answer, or a save that was cancelled or failed
// (the document is then still open).
static bool SaveCurrentThenRelease(CVelquorandimestra& app) {
    if (app.state == STATE_NONE) return true;
    const int answer = ShowMessageBox(g_hWnd, kSaveCurrent, L"QUESTION", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) {
        if (app.OnSaveFile() != 0) return false;
    } else if (answer != IDNO) {
        return false;
    }
    app.DeleteInstance();
    return true;
}

int CVelquorandimestra::OnFileNew() {
    if (state != STATE_NONE) {
        const int answer = ShowMessageBox(g_hWnd, kSaveCurrent, L"QUESTION", MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer == IDCANCEL) return 0;
        if (answer == IDYES) {
            if (OnSaveFile() != 0) return 0;
            DeleteInstance();
        } else if (answer == IDNO) {
            DeleteInstance();
        } else {
            // The question could not be asked. The fatal error asks the
            // window to close; whether or not it did, this command ends
            // here: a close that was refused keeps the document.
            MyCriticalError(kErrorDocumentCommands, 1);
            return 0;
        }
    }
    SetWindowTextW(GetWnd(), kAppTitle);
    if (item_list || schedule || editor) DeleteInstance();

    item_list = std::make_unique<_ITEM_LIST>();
    ::InitItemList(item_list.get());
    records.Rebuild();
    schedule = std::make_unique<CScheduleManager>();
    schedule->InitInstance();
    editor = std::make_unique<CActionEdit>();
    editor->InitInstance();
    state = STATE_OPEN;
    schedule->AddItem(ToWide(item_list->title).c_str(), item_list->planned_start, item_list->planned_end,
                      CScheduleManager::kSchedulePosition);
    editor->SetItem(item_list.get());
    return 0;
}

int CVelquorandimestra::OnFileOpen() {
    std::vector<wchar_t> path(kPathUnits, L'\0');
    std::vector<wchar_t> title(kPathUnits, L'\0');
    if (!SaveCurrentThenRelease(*this)) return 0;

    for (;;) {
        if (!Choose(ShowOpenFileDialog, path, title)) return 0;
        if (Exists(path.data())) break;
        ShowMessageBox(nullptr, kMissingFile, L"ERROR", MB_OK);
    }

    const std::wstring full(path.data());
    std::wstring name(title.data());
    if (name.empty()) name = ToWide(FileNameOfPath(ToU16(full)));
    file_handle = OpenForReading(full);
    if (file_handle == INVALID_HANDLE_VALUE) {
        // Locked by another program or no right to read: say so rather than
        // read from a handle that is not there.
        file_handle = nullptr;
        ShowError(L"ファイル「" + full + L"」を開けませんでした。");
        return 0;
    }
    const int result = FileOpen(file_handle, name.c_str(), full.c_str());
    CloseHandle(file_handle);
    file_handle = nullptr;
    if (result == 0)
        state = STATE_OPEN;
    else if (result == kFileOpenUnsupported)
        ShowMessageBox(nullptr, kUnsupported, L"エラー", MB_OK);
    return 0;
}

// Returns 0 when the document was saved, 1 when not (no document, cancelled,
// or failed).
int CVelquorandimestra::OnSaveFile() {
    if (state != STATE_OPEN) return 1;
    if (file_path.empty()) return OnSaveFileNew();
    return SaveFile();
}

// Returns 0 when the document was saved under the chosen name, 1 when not.
int CVelquorandimestra::OnSaveFileNew() {
    if (state != STATE_OPEN) return 1;
    // The chooser starts from the document's whole path, however long.
    std::vector<wchar_t> path = ChooserBuffer(file_path);
    std::vector<wchar_t> title(kPathUnits, L'\0');

    for (;;) {
        if (!Choose(ShowSaveFileDialog, path, title)) return 1;
        // The test runs on the name as chosen, before ".vqf" is added.
        if (!Exists(path.data())) break;
        if (ShowMessageBox(nullptr, kOverwrite, L"QUESTION", MB_YESNO | MB_ICONQUESTION) == IDYES) break;
    }

    std::wstring new_path(path.data());
    std::wstring new_name(title.data());
    if (new_name.empty()) new_name = ToWide(FileNameOfPath(ToU16(new_path)));
    if (NeedsVqfExtension(ToU16(new_name))) {
        new_name += L".vqf";
        new_path += L".vqf";
    }
    if (file_handle != nullptr) {
        CloseHandle(file_handle);
        file_handle = nullptr;
    }
    // The document takes the new name only once it is really saved there.
    std::wstring old_path = std::move(file_path);
    file_path = new_path;
    if (SaveFile() != 0) {
        file_path = std::move(old_path);
        return 1;
    }
    file_name = new_name;
    SetDocumentTitle(file_name);
    return 0;
}
