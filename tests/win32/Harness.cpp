#include "Harness.h"

#include "MainLayout.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <utility>

#include "AlarmRecord.h"
#include "Backups.h"
#include "Seams.h"
#include "Times.h"
#include "Velquorandimestra.h"
#include "VelquorandimestraFile.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

namespace {
// The running test's own document manager, handed to its main dialog as the
// program hands its own.
std::unique_ptr<CVelquorandimestra> g_manager;
}  // namespace

CVelquorandimestra& App() { return *g_manager; }

BoxScript::BoxScript() {
    SetMessageBoxHook([this](HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
        asked_.push_back({owner, text ? text : L"", caption ? caption : L"", flags});
        if (answers_.empty()) {
            ADD_FAILURE() << "unexpected message box: " << testing::PrintToString(std::wstring(text ? text : L""));
            return IDCANCEL;
        }
        const int result = answers_.front();
        answers_.pop_front();
        return result;
    });
}

BoxScript::~BoxScript() { SetMessageBoxHook({}); }

ChooserScript::ChooserScript() {
    SetOpenFileDialogHook([this](OPENFILENAMEW* d) { return Serve(d, open_, open_seen_); });
    SetSaveFileDialogHook([this](OPENFILENAMEW* d) { return Serve(d, save_, save_seen_); });
}

ChooserScript::~ChooserScript() {
    SetOpenFileDialogHook({});
    SetSaveFileDialogHook({});
}

BOOL ChooserScript::Serve(OPENFILENAMEW* dialog, std::deque<std::wstring>& answers, std::vector<std::wstring>& seen) {
    requests_.push_back(*dialog);
    seen.push_back(dialog->lpstrFile ? dialog->lpstrFile : L"");
    folders_.push_back(dialog->lpstrInitialDir ? dialog->lpstrInitialDir : L"");
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected file chooser";
        return FALSE;
    }
    const std::wstring path = answers.front();
    answers.pop_front();
    if (path.empty()) return FALSE;
    if (path.size() + 1 > dialog->nMaxFile) return FALSE;
    lstrcpyW(dialog->lpstrFile, path.c_str());
    const std::size_t slash = path.find_last_of(L'\\');
    const std::wstring title = slash == std::wstring::npos ? path : path.substr(slash + 1);
    if (dialog->lpstrFileTitle && title.size() + 1 <= dialog->nMaxFileTitle)
        lstrcpyW(dialog->lpstrFileTitle, title.c_str());
    dialog->nFileOffset = static_cast<WORD>(slash == std::wstring::npos ? 0 : slash + 1);
    // As the real choosers do: the current folder becomes the chosen one.
    if (slash != std::wstring::npos) SetCurrentDirectoryW(path.substr(0, slash).c_str());
    return TRUE;
}

namespace {
std::int64_t g_fixed_seconds = 0;
std::int64_t FixedSeconds() { return g_fixed_seconds; }
}  // namespace

FixedClock::FixedClock(std::int64_t seconds) { Set(seconds); }
FixedClock::~FixedClock() { SetClock(nullptr); }
void FixedClock::Set(std::int64_t seconds) {
    g_fixed_seconds = seconds;
    SetClock(&FixedSeconds);
}

std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::int64_t days = 0;
    for (int y = 1970; y < year; ++y) days += GetDates(y, 2) == 29 ? 366 : 365;
    for (int m = 1; m < month; ++m) days += GetDates(year, m);
    days += day - 1;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

void MainDialogTest::SetUp() {
    static bool registered = false;
    g_hInst = GetModuleHandleW(nullptr);
    if (!registered) {
        ASSERT_TRUE(RegisterMainWindowClass(g_hInst));
        registered = true;
    }
    g_manager = std::make_unique<CVelquorandimestra>();
    main_ = CreateDialogParamW(g_hInst, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DlgProc,
                               reinterpret_cast<LPARAM>(g_manager.get()));
    ASSERT_NE(main_, nullptr);
    g_hWnd = main_;
    App().state = STATE_NONE;
    // Tests never reach the user's own record: a path under the test
    // program's file can be neither created nor read.
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    SetLastFileRecordFallbackPath(std::wstring(exe) + L"\\no-fallback\\app.dat");
    // Nor the user's kept versions: a folder under a file cannot be made.
    SetBackupsRoot(std::wstring(exe) + L"\\no-backups");
    // Nor the user's record of alarms checked: nothing is written there, and
    // nothing checked in one test is remembered in the next.
    SetAlarmRecordPath(std::wstring(exe) + L"\\no-record\\alarms.dat");
    // A window closed by a test leaves its place in the temporary folder,
    // not in the user's.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    SetWindowPlacePath(std::wstring(temp) + L"vq-test-window.dat");
}

void MainDialogTest::TearDown() {
    SetMessageBoxHook({});
    SetOpenFileDialogHook({});
    SetSaveFileDialogHook({});
    SetClock(nullptr);
    if (g_manager) App().DeleteInstance();
    if (main_) {
        KillTimer(main_, IDT_ALARM);
        DestroyWindow(main_);
    }
    Pump();
    // WM_DESTROY posts a quit message; drop it so the next test's modal
    // loops are not ended by it.
    MSG m;
    while (PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    g_hWnd = nullptr;
    g_manager.reset();
}

std::wstring MainDialogTest::Text(int id) const {
    HWND w = Item(id);
    const int n = GetWindowTextLengthW(w);
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    s.resize(static_cast<std::size_t>(GetWindowTextW(w, s.data(), n + 1)));
    return s;
}

void MainDialogTest::SetText(int id, const std::wstring& text) const { SetWindowTextW(Item(id), text.c_str()); }

void MainDialogTest::Command(int id, int code) const {
    SendMessageW(main_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
}

std::vector<std::wstring> MainDialogTest::Lines(int id) const {
    std::vector<std::wstring> lines;
    HWND list = Item(id);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const int n = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
        std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
        s.resize(static_cast<std::size_t>(SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(s.data()))));
        lines.push_back(s);
    }
    return lines;
}

std::vector<int> MainDialogTest::Selected(int id) const {
    std::vector<int> selected;
    HWND list = Item(id);
    const int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (SendMessageW(list, LB_GETSEL, i, 0) > 0) selected.push_back(i);
    return selected;
}

void PrintTo(const AskedBox& box, std::ostream* out) {
    *out << "{owner " << box.owner << ", text " << testing::PrintToString(box.text) << ", caption "
         << testing::PrintToString(box.caption) << ", flags 0x" << std::hex << box.flags << std::dec << "}";
}

std::vector<std::wstring> MainDialogTest::ComboEntries(int id) const {
    std::vector<std::wstring> entries;
    HWND combo = Item(id);
    const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        std::wstring s(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0)) + 1, L'\0');
        s.resize(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(s.data()))));
        entries.push_back(s);
    }
    return entries;
}

std::wstring MainDialogTest::Title() const {
    wchar_t buffer[4096];
    GetWindowTextW(main_, buffer, 4096);
    return buffer;
}

namespace {

struct ModalRun {
    std::vector<std::function<void(HWND)>> steps;
    std::size_t next = 0;
    int idle_ticks = 0;
};
ModalRun* g_run = nullptr;

BOOL CALLBACK FindModalWindow(HWND w, LPARAM found) {
    if (w != g_hWnd && IsWindowVisible(w) && IsWindowEnabled(w)) {
        *reinterpret_cast<HWND*>(found) = w;
        return FALSE;
    }
    return TRUE;
}

// The enabled, visible top-level window of this thread that is not the main
// dialog: the modal dialog whose loop is running.
HWND FindModal() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindModalWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void CALLBACK ModalTick(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_run) {
        KillTimer(nullptr, id);
        return;
    }
    HWND dialog = FindModal();
    if (!dialog) return;
    if (g_run->next < g_run->steps.size()) {
        auto step = g_run->steps[g_run->next++];
        step(dialog);
    } else if (++g_run->idle_ticks > 50) {
        ADD_FAILURE() << "modal dialog still open after the last step";
        EndDialog(dialog, -2);
    }
}

}  // namespace

INT_PTR RunModal(const std::function<INT_PTR()>& open, std::vector<std::function<void(HWND)>> steps) {
    ModalRun run{std::move(steps)};
    ModalRun* outer = g_run;
    g_run = &run;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, ModalTick);
    const INT_PTR result = open();
    KillTimer(nullptr, timer);
    g_run = outer;
    EXPECT_EQ(run.next, run.steps.size()) << "not every step ran";
    return result;
}

void PressKey(HWND dialog, WORD key) {
    HWND target = GetFocus();
    if (!target) target = dialog;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

namespace {
// Removes a tree by absolute paths only. Wine's SHFileOperationW, given a
// tree deeper than 260 units, went on in the current directory and deleted
// files there; this never leaves the tree. Links are removed, not followed.
void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW found;
    const HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = dir + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // deletable again
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(path);
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveDirectoryW(path.c_str());
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}
}  // namespace

TempDir::TempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static int counter = 0;
    path_ = std::wstring(base) + L"vqtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    // A test process that died leaves its folder behind, and a new Wine
    // server hands out the same process ids again: start empty.
    RemoveTree(path_);
    CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(path_); }

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    const DWORD size = GetFileSize(f, nullptr);
    bytes.resize(size);
    DWORD got = 0;
    if (size) ReadFile(f, bytes.data(), size, &got, nullptr);
    bytes.resize(got);
    CloseHandle(f);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD put = 0;
    if (!bytes.empty()) WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> Listing(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((dir + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring n = data.cFileName;
        if (n != L"." && n != L"..") names.push_back(n);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::wstring> KeptVersions(const std::wstring& document) {
    std::vector<std::wstring> paths;
    const std::wstring folder = BackupFolderOf(document, false);
    if (folder.empty()) return paths;
    for (const std::wstring& name : Listing(folder))
        if (name.size() > 4 && name.substr(name.size() - 4) == L".vqf") paths.push_back(folder + L"\\" + name);
    return paths;
}

void SetSaveFaultHook(SaveFaultHook hook) {
    if (!hook) {
        SetSaveStageHook({});
        SetSaveSink({});
        return;
    }
    // The Write step is the save's first chunk: a save begins at CreateTemp.
    auto first_chunk = std::make_shared<bool>(true);
    SetSaveStageHook([hook, first_chunk](SaveStage stage) {
        if (stage == SaveStage::CreateTemp) *first_chunk = true;
        return hook(stage);
    });
    SetSaveSink([hook, first_chunk](HANDLE file, std::span<const std::uint8_t> chunk) {
        if (!std::exchange(*first_chunk, false) || !hook(SaveStage::Write)) return WriteAll(file, chunk);
        WriteAll(file, chunk.first(chunk.size() / 2));
        SetLastError(ERROR_DISK_FULL);
        return false;
    });
}
