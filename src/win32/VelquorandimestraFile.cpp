// The life of the one document: start-up reopening, new, open, save, save as,
// and the reading and writing of the action item file.
#include "VelquorandimestraFile.h"

#include <cderr.h>
#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Backups.h"
#include "Digest.h"
#include "File.h"
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
constexpr wchar_t kChangedElsewhere[] = L"」は、開いた後にほかのプログラムによって変更されています。上書きしますか？";
constexpr wchar_t kMissingFile[] = L"ファイルが存在しません";
constexpr wchar_t kUnsupported[] = L"入力ファイルの形式が非対応です";
constexpr wchar_t kOneFileOnly[] = L"一度に開けるファイルは一つだけです。";
constexpr wchar_t kNotADocument[] = L"」はアクション管理ファイル(*.vqf)ではありません。";
// The open chooser offers no "open as read-only": the program would have
// nothing to do with the answer, since it always opens a document to edit.
constexpr DWORD kOpenFlags = OFN_HIDEREADONLY;
// Documents and the last-file record are read with nobody else sharing them.
constexpr DWORD kExclusive = 0;

std::wstring g_record_path;    // empty: beside the executable
std::wstring g_fallback_path;  // empty: in the user's local application data

bool WriteRecordAt(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    FileHandle record(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return record.ok() && WriteAll(record.get(), bytes);
}

// Writes the last-file record beside the program, or, where the program
// stands in a folder the user cannot write (Program Files, a locked-down
// share), in the user's own folder. Failing both is not reported: the
// document itself was saved, and a missing or short record only means no
// file is reopened at the next start.
void WriteLastFileRecord(const std::wstring& document_path) {
    const std::vector<std::uint8_t> bytes = EncodeLastFileRecord(ToU16(document_path));
    if (WriteRecordAt(LastFileRecordPath(), bytes)) return;
    const std::wstring fallback = LastFileRecordFallbackPath();
    if (fallback.empty()) return;
    // The folder of the program's name, and any above it that is missing.
    SHCreateDirectoryExW(nullptr, fallback.substr(0, fallback.find_last_of(L'\\')).c_str(), nullptr);
    WriteRecordAt(fallback, bytes);
}

// Every box of the file commands is owned by the main window, so that the
// window takes no command while one is up.
int Ask(const wchar_t* text, const wchar_t* caption, UINT flags) {
    return ShowMessageBox(GetWnd(), text, caption, flags);
}

void ShowError(const std::wstring& text) { Ask(text.c_str(), L"ERROR", MB_OK | MB_ICONERROR); }

// A failure's first line, and on a second the system's own words for why.
std::wstring WithReason(const std::wstring& what, DWORD error) { return what + L"\n" + SystemErrorText(error); }

void SetDocumentTitle(const std::wstring& name) {
    const std::wstring title = std::wstring(kAppTitle) + L" [ " + name + L" ]";
    SetWindowTextW(GetWnd(), title.c_str());
}

// The choosers move the current folder to the one chosen; it is put back,
// so that the program keeps no removable drive busy.
class CurrentFolderKept {
public:
    CurrentFolderKept() {
        const DWORD units = GetCurrentDirectoryW(0, nullptr);
        folder_.resize(units);
        folder_.resize(units ? GetCurrentDirectoryW(units, folder_.data()) : 0);
    }
    ~CurrentFolderKept() {
        if (!folder_.empty()) SetCurrentDirectoryW(folder_.c_str());
    }
    CurrentFolderKept(const CurrentFolderKept&) = delete;
    CurrentFolderKept& operator=(const CurrentFolderKept&) = delete;

private:
    std::wstring folder_;
};

OPENFILENAMEW ChooserRecord(std::vector<wchar_t>& path, std::vector<wchar_t>& title, DWORD flags,
                            const std::wstring& folder) {
    OPENFILENAMEW ofn{};
    if (!folder.empty()) ofn.lpstrInitialDir = folder.c_str();
    ofn.Flags = flags;
    // The classic chooser record, without the trailing reserved members (76
    // bytes in the 32-bit program).
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    ofn.hwndOwner = GetWnd();
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
// path and the text it started with. True when a path was chosen. A
// chooser that starts empty starts in `start_in` when one is given.
bool Choose(BOOL (*show)(OPENFILENAMEW*), DWORD flags, std::vector<wchar_t>& path, std::vector<wchar_t>& title,
            const std::wstring& start_in = {}) {
    const CurrentFolderKept folder;
    const std::vector<wchar_t> start = path;
    for (;;) {
        OPENFILENAMEW ofn = ChooserRecord(path, title, flags, start_in);
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

// Whether `path` ends in ".vqf", in any case, as Explorer matches it.
bool HasVqfExtension(const std::wstring& path) {
    return path.size() >= 4 &&
           CompareStringOrdinal(path.c_str() + path.size() - 4, 4, L".vqf", 4, TRUE) == CSTR_EQUAL;
}

}  // namespace

std::wstring PathArgument(std::wstring_view command_line) {
    // Past the program's own name: quoted up to the next quote, or up to the
    // first blank, as Windows itself splits it.
    std::size_t at = 0;
    if (!command_line.empty() && command_line[0] == L'"') {
        at = command_line.find(L'"', 1);
        at = at == std::wstring_view::npos ? command_line.size() : at + 1;
    } else {
        at = command_line.find_first_of(L" \t");
        if (at == std::wstring_view::npos) at = command_line.size();
    }
    // The rest is one path, quoted or not: Explorer quotes it, a command
    // prompt user may not, and no file name can hold a quote.
    std::wstring path;
    for (wchar_t c : command_line.substr(at))
        if (c != L'"') path += c;
    const std::size_t first = path.find_first_not_of(L" \t");
    if (first == std::wstring::npos) return {};
    return path.substr(first, path.find_last_not_of(L" \t") - first + 1);
}

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

std::wstring LastFileRecordFallbackPath() {
    if (!g_fallback_path.empty()) return g_fallback_path;
    return UserDataPath(FileNameOf(LastFileRecordPath()));
}

void SetLastFileRecordFallbackPath(std::wstring path) { g_fallback_path = std::move(path); }

void CVelquorandimestra::LoadDocument(VqfDocument doc, const std::wstring& name, const std::wstring& path,
                                      std::optional<FileStamp> stamp) {
    DeleteInstance();
    file_name = name;
    file_path = path;
    file_stamp = stamp;
    StartAlarmCheck(stamp);
    SetDocumentTitle(file_name);
    schedule = std::make_unique<CScheduleManager>(MainDialogItem(IDC_ITEM_LIST));
    editor = std::make_unique<CActionEdit>(GetWnd());
    editor->InitInstance();
    document.Replace(std::move(doc.item_list), std::move(doc.action_kinds));

    // The kinds go in first, so that the combo box selects the shown item's
    // kind: with no selection the next commit would read "no kind chosen".
    ShowKinds();
    // The document says what an opened document shows: its last item, the
    // line selected.
    if (!ShowDocument(document.OpenedView().shown)) throw std::bad_alloc();
}

int CVelquorandimestra::LoadFromHandle(HANDLE file, const std::wstring& name, const std::wstring& path,
                                       bool report) {
    VqfDocument doc;
    // What the file held, to tell later whether another program changed it.
    DigestOfBytes read_bytes;
    try {
        // The file passes through one buffer: memory holds the document, not
        // the document and a copy of its file.
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > 0xFFFFFFFFll)
            return kFileOpenUnsupported;
        LARGE_INTEGER zero{};
        if (!SetFilePointerEx(file, zero, nullptr, FILE_BEGIN)) return kFileOpenUnsupported;
        VqfLoadResult loaded = LoadVqfFrom(static_cast<std::uint64_t>(size.QuadPart),
                                           [file, &read_bytes](std::span<std::uint8_t> into) {
                                               if (!ReadExactly(file, into)) return false;
                                               read_bytes.Add(into);
                                               return true;
                                           });
        // A file that changed size while it was read is not the file that
        // was checked.
        LARGE_INTEGER after{};
        if (!GetFileSizeEx(file, &after) || after.QuadPart != size.QuadPart) return kFileOpenUnsupported;
        if (!loaded.check) return kFileOpenUnsupported;
        // Bytes after the last kind are part of the file too.
        if (!read_bytes.AddRestOf(file)) return kFileOpenUnsupported;
        if (loaded.check.item_count == 0) {
            // A document must always hold an item, so such a file is refused
            // with its error code. Only the file is refused: the user chose
            // it, and the program and the open document stay.
            if (report) ShowErrorCode(GetWnd(), kErrorFileReader, 1);
            return kFileOpenNoItems;
        }
        doc = std::move(loaded.doc);
    } catch (const std::exception&) {
        return kFileOpenUnsupported;  // out of memory for a huge file
    }
    try {
        LoadDocument(std::move(doc), name, path, StampOf(file));
        file_content = read_bytes.Finish();
    } catch (const std::exception&) {
        // No memory for the lines: nothing may stay half-built.
        DeleteInstance();
        SetWindowTextW(GetWnd(), kAppTitle);
        return kFileOpenUnsupported;
    }
    return 0;
}

int CVelquorandimestra::FileOpen(HANDLE file, const wchar_t* name, const wchar_t* path) {
    return LoadFromHandle(file, name ? name : L"", path ? path : L"", true);
}

// Saves the document to `file_path` without ever destroying the previous
// file, then records the path in the last-file record. Returns 0 when saved;
// otherwise the user has been told why and nothing changed on disk.
int CVelquorandimestra::SaveFile() {
    if (file_path.empty()) return 1;
    DWORD error = ERROR_SUCCESS;
    // The version this save replaces is kept aside first; never a reason
    // for the save to stop or fail.
    EarlierVersion earlier(file_path);
    DigestOfBytes written;
    try {
        // The file is streamed out through a small buffer; a document too
        // large for the format is refused before its first byte is written.
        const _ITEM_LIST* items = document.Items();
        const _KIND_LIST* kinds = document.Kinds();
        VqfWriteStatus status = VqfWriteStatus::Written;
        error = ReplaceFileContent(file_path, [items, kinds, &status, &written](const ByteSink& sink) {
            status = WriteVqfTo(items, kinds, [&sink, &written](std::span<const std::uint8_t> chunk) {
                written.Add(chunk);
                return sink(chunk);
            });
            return status == VqfWriteStatus::Written;
        });
        if (status == VqfWriteStatus::TooLarge) error = ERROR_FILE_TOO_LARGE;
    } catch (const std::exception&) {
        // No memory for the writer's buffer: the temporary file is gone
        // already, the previous file untouched.
        error = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (error != ERROR_SUCCESS) {
        ShowError(WithReason(L"ファイル「" + file_path + L"」を保存できませんでした。", error));
        return 1;
    }
    file_stamp = StampOf(file_path);
    file_content = written.Finish();
    earlier.KeepAside(*file_content);
    document.MarkSaved();
    WriteLastFileRecord(file_path);
    return 0;
}

void CVelquorandimestra::InitInstanceFor(const std::wstring& argument) {
    if (argument.empty()) {
        InitInstance();
        return;
    }
    InitInstance(false);
    // Not the last-file record: the user named this file. The main dialog
    // is visible from its creation, so a box saying why the file cannot be
    // opened stands over the program, which goes on without a document.
    OpenNamedFile(argument);
}

void CVelquorandimestra::InitInstance(bool reopen_last) {
    file_name.clear();
    file_path.clear();
    file_stamp.reset();
    state = STATE_NONE;
    document.Clear();
    schedule.reset();
    editor.reset();
    if (!reopen_last) return;

    // Every failure below leaves the program without a document and says
    // nothing: a stale record must never keep the program from starting.
    std::wstring path;
    {
        // The record beside the program first; the user's own one only
        // when that cannot be read (never written there, or not readable).
        HANDLE beside = OpenForReading(LastFileRecordPath(), kExclusive);
        FileHandle record(beside != INVALID_HANDLE_VALUE ? beside
                                                         : OpenForReading(LastFileRecordFallbackPath(), kExclusive));
        if (!record.ok()) return;
        const auto bytes = ReadAll(record.get(), 4 + 2 * kLastFilePathUnits + 2);
        if (!bytes) return;
        path = ToWide(DecodeLastFileRecord(*bytes));
    }
    if (path.empty() || !Exists(path)) return;
    FileHandle file(OpenForReading(path, kExclusive));
    if (!file.ok()) return;
    const std::wstring name = FileNameOf(path);
    if (LoadFromHandle(file.get(), name, path, false) == 0) state = STATE_OPEN;
}

int CVelquorandimestra::AskSaveCurrent() {
    if (!Modified()) return IDNO;
    const int answer = Ask(kSaveCurrent, L"QUESTION", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES && OnSaveFile() != 0) return IDCANCEL;
    return answer;
}

CVelquorandimestra::MakeWay CVelquorandimestra::MayMakeWay() {
    if (state != STATE_OPEN) return MakeWay::kGo;
    TakeTypedField();
    const int answer = AskSaveCurrent();
    if (answer == IDYES || answer == IDNO) return MakeWay::kGo;
    return answer == IDCANCEL ? MakeWay::kStay : MakeWay::kUnasked;
}

void CVelquorandimestra::OnFileNew() {
    switch (MayMakeWay()) {
        case MakeWay::kGo:
            break;
        case MakeWay::kStay:
            return;
        case MakeWay::kUnasked:
            // The fatal error asks the window to close; whether or not it
            // did, this command ends here: a close that was refused keeps
            // the document.
            MyCriticalError(kErrorDocumentCommands, 1);
            return;
    }
    SetWindowTextW(GetWnd(), kAppTitle);
    if (document.Items() || schedule || editor) DeleteInstance();

    schedule = std::make_unique<CScheduleManager>(MainDialogItem(IDC_ITEM_LIST));
    editor = std::make_unique<CActionEdit>(GetWnd());
    editor->InitInstance();
    state = STATE_OPEN;
    document.StartNew();
    ShowDocument(document.OpenedView().shown);
}

void CVelquorandimestra::OnFileOpen(const std::wstring& folder) {
    std::vector<wchar_t> path(kPathUnits, L'\0');
    std::vector<wchar_t> title(kPathUnits, L'\0');
    // Cancel, a box that gave no answer, or a save that was cancelled or
    // failed stops the command. The open document stays until another one
    // has loaded: a cancelled chooser or a refused file leaves it as it was.
    if (MayMakeWay() != MakeWay::kGo) return;

    for (;;) {
        if (!Choose(ShowOpenFileDialog, kOpenFlags, path, title, folder)) return;
        if (Exists(path.data())) break;
        Ask(kMissingFile, L"ERROR", MB_OK);
    }
    std::wstring name(title.data());
    if (name.empty()) name = FileNameOf(path.data());
    OpenChosenFile(path.data(), name);
}

void CVelquorandimestra::OpenChosenFile(const std::wstring& full, const std::wstring& name) {
    const FileHandle file(OpenForReading(full, kExclusive));
    if (!file.ok()) {
        // Locked by another program or no right to read: say so rather than
        // read from a handle that is not there.
        ShowError(WithReason(L"ファイル「" + full + L"」を開けませんでした。", GetLastError()));
        return;
    }
    const int result = FileOpen(file.get(), name.c_str(), full.c_str());
    if (result == 0)
        state = STATE_OPEN;
    else if (result == kFileOpenUnsupported)
        Ask(kUnsupported, L"エラー", MB_OK);
}

void CVelquorandimestra::OpenNamedFile(const std::wstring& path) {
    // A relative path is taken from the current folder, as a command prompt
    // means it; the document keeps the whole path, for its record and saves.
    std::wstring full(std::max<DWORD>(GetFullPathNameW(path.c_str(), 0, nullptr, nullptr), 1), L'\0');
    const DWORD units = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(units > 0 && units < full.size() ? units : 0);
    if (full.empty()) full = path;
    if (MayMakeWay() != MakeWay::kGo) return;
    if (!Exists(full)) {
        Ask(kMissingFile, L"ERROR", MB_OK);
        return;
    }
    OpenChosenFile(full, FileNameOf(full));
}

int CVelquorandimestra::OnDropFiles(HDROP drop) {
    // The names are taken and the drop released before any box: Explorer
    // waits for the drop to end.
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::wstring path;
    if (count == 1) {
        path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size())));
    }
    DragFinish(drop);
    if (count != 1) {
        Ask(kOneFileOnly, L"ERROR", MB_OK | MB_ICONERROR);
        return 1;
    }
    // Only a document is taken: a folder, a shortcut or a file of another
    // kind dropped by mistake is named and refused before anything is asked.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folder || !HasVqfExtension(path)) {
        Ask((L"「" + path + kNotADocument).c_str(), L"ERROR", MB_OK | MB_ICONERROR);
        return 1;
    }
    OpenNamedFile(path);
    return 0;
}

// True when the file was changed by someone else since this program opened
// or saved it and the user chose not to replace that work.
bool CVelquorandimestra::KeepsOthersWork() const {
    const std::optional<FileStamp> now = StampOf(file_path);
    // A file deleted meanwhile is simply written again.
    if (!now || !file_stamp || *now == *file_stamp) return false;
    // A sync program that wrote the same bytes again, or touched only the
    // file's time, changed nothing of the user's: only other content asks.
    if (file_content && now->size == file_content->size && DigestOfFile(file_path) == file_content) return false;
    const std::wstring text = L"ファイル「" + file_name + kChangedElsewhere;
    return Ask(text.c_str(), L"QUESTION", MB_YESNO | MB_ICONQUESTION) != IDYES;
}

// Returns 0 when the document was saved, 1 when not (no document, cancelled,
// or failed).
int CVelquorandimestra::OnSaveFile() {
    if (state != STATE_OPEN) return 1;
    // A kept earlier version is saved under a name chosen anew, never over
    // itself.
    if (file_path.empty() || IsKeptVersion(file_path)) return OnSaveFileNew();
    if (KeepsOthersWork()) return 1;
    return SaveFile();
}

// Returns 0 when the document was saved under the chosen name, 1 when not.
int CVelquorandimestra::OnSaveFileNew() {
    if (state != STATE_OPEN) return 1;
    // The chooser starts from the document's whole path, however long; for
    // an earlier version, from the document it is a version of.
    const std::wstring document_of = DocumentOfKeptVersion(file_path);
    std::vector<wchar_t> path = ChooserBuffer(document_of.empty() ? file_path : document_of);
    std::vector<wchar_t> title(kPathUnits, L'\0');

    std::wstring new_path;
    std::wstring new_name;
    for (;;) {
        if (!Choose(ShowSaveFileDialog, 0, path, title)) return 1;
        new_path = path.data();
        new_name = title.data();
        if (new_name.empty()) new_name = FileNameOf(new_path);
        if (NeedsVqfExtension(ToU16(new_name))) {
            new_name += L".vqf";
            new_path += L".vqf";
        }
        // Asked about the name that would be written; No shows the chooser
        // again with the name as typed.
        if (!Exists(new_path)) break;
        if (Ask(kOverwrite, L"QUESTION", MB_YESNO | MB_ICONQUESTION) == IDYES) break;
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

int CVelquorandimestra::CheckStatus() const { return state == STATE_OPEN ? 0 : 1; }

void CVelquorandimestra::DeleteInstance() {
    // Leave STATE_OPEN first: the timer can tick inside any box shown while
    // the document goes away.
    state = STATE_RELEASING;
    EndAlarmCheck();
    file_name.clear();
    file_path.clear();
    file_stamp.reset();
    document.Clear();
    if (schedule) {
        schedule->DeleteInstance();  // takes the lines out of the list box
        schedule.reset();
    }
    if (editor) {
        editor->DeleteInstance();
        editor.reset();
    }
    state = STATE_NONE;
}

void CVelquorandimestra::OnOpenEarlierVersion() {
    // The chooser opens in the open document's folder of versions (its own
    // folder when it is a version itself); without one, among all of them.
    OnFileOpen(EarlierVersionsFolder(state == STATE_OPEN ? file_path : std::wstring()));
}
