// Timings of the document commands in the real main dialog, on sample
// documents of a given size: every command goes through the dialog
// procedure as a click or a focus change would, and works on the real list
// box, combo box and edits. Message boxes and choosers are answered through
// the seams, so nothing waits for a person.
//
//   dialog_bench.exe [items] [--runs k]   one line per figure: operation, n,
//                                         median of k runs in ms, and the
//                                         process's peak working set so far
//   dialog_bench.exe ... --only a,b       only the figures whose operation
//                                         names contain one of these words
//   dialog_bench.exe --baseline [items]   the one-line-at-a-time baseline:
//                                         the same list operations done one
//                                         line at a time (deselect every line
//                                         after each insertion, search the
//                                         chains from the head), side by side
//                                         with the program's, and the ratio
//
// Not a test: run it with scripts/bench.sh.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <windowsx.h>

#include "ActionEdit.h"
#include "AlarmDlg.h"
#include "AlarmRecord.h"
#include "VelquorandimestraFile.h"
#include "ItemChain.h"
#include "MessagePump.h"
#include "Report.h"
#include "Sample.h"
#include "Seams.h"
#include "TextOutDlg.h"
#include "Times.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "WideText.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

// The bench's own document manager, handed to its main dialog as the
// program hands its own.
CVelquorandimestra g_manager;

namespace {

// ---- time and memory

double NowMs() {
    static const double ticks_per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / ticks_per_ms;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double PeakWorkingSetMb() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) return -1;
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// ---- the window

HWND g_main = nullptr;
int g_failures = 0;

void Check(bool ok, const char* what, std::size_t n) {
    if (ok) return;
    ++g_failures;
    std::fprintf(stderr, "check failed: %s (n=%zu)\n", what, n);
}

// Lets the window catch up (paints, posted messages), as it would before the
// user sees the result.
void Settle() {
    UpdateWindow(g_main);
    Pump();
}

HWND Control(int id) { return GetDlgItem(g_main, id); }
HWND List() { return Control(IDC_ITEM_LIST); }
LRESULT LineCount() { return SendMessageW(List(), LB_GETCOUNT, 0, 0); }

void Command(int id, int code = 0) {
    SendMessageW(g_main, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Control(id)));
}

// `count` lines spread evenly over the list box become the selection.
void SelectSpread(std::size_t count) {
    HWND list = List();
    const auto lines = static_cast<std::size_t>(LineCount());
    count = std::min(count, lines);
    // Untimed set-up: without a repaint per line, so that it does not take
    // minutes under a loaded Wine.
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (std::size_t j = 0; j < count; ++j)
        SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(j * lines / count));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// A click on one line: it alone is selected and current, and the list box
// tells the dialog.
void ClickLine(int index) {
    HWND list = List();
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    SendMessageW(list, LB_SETSEL, TRUE, index);
    SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    Command(IDC_ITEM_LIST, LBN_SELCHANGE);
}

// ---- seams: every question is answered at once

std::wstring g_choose;  // the path the next chooser returns
int g_boxes = 0;

BOOL Choose(OPENFILENAMEW* d) {
    if (g_choose.empty() || g_choose.size() + 1 > d->nMaxFile) return FALSE;
    lstrcpyW(d->lpstrFile, g_choose.c_str());
    const std::wstring title = g_choose.substr(g_choose.find_last_of(L'\\') + 1);
    if (d->lpstrFileTitle && title.size() + 1 <= d->nMaxFileTitle) lstrcpyW(d->lpstrFileTitle, title.c_str());
    return TRUE;
}

void InstallSeams() {
    SetMessageBoxHook([](HWND, const wchar_t*, const wchar_t* caption, UINT) {
        ++g_boxes;
        // Questions (overwrite, save current) get Yes; alarms and errors OK.
        return std::wcscmp(caption, L"QUESTION") == 0 ? IDYES : IDOK;
    });
    SetOpenFileDialogHook(Choose);
    SetSaveFileDialogHook(Choose);
}

// Runs g_inside_alarm once from the alarm window's own message loop, then
// closes the window.
std::function<void()> g_inside_alarm;
void CALLBACK RunInsideAlarmWindow(HWND, UINT, UINT_PTR id, DWORD) {
    HWND window = OpenAlarmWindow();
    if (window == nullptr || !g_inside_alarm) return;
    KillTimer(nullptr, id);
    const std::function<void()> inside = std::move(g_inside_alarm);
    g_inside_alarm = nullptr;
    inside();
    SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

// The text output window is watched from the moment it comes up (a CBT hook,
// which sees only window events: a hook on every message would make each
// message of the command itself several times slower under Wine) until its
// whole report is in; then it is ended.
HWND g_report_window = nullptr;
double g_report_up = 0, g_report_done = 0;
std::size_t g_report_units = 0;

LRESULT CALLBACK WatchTextOut(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (window != g_main && GetDlgItem(window, IDC_TEXTOUT_EDIT) != nullptr) {
            g_report_window = window;
            g_report_up = NowMs();
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK EndWholeReport(HWND, UINT, UINT_PTR, DWORD) {
    if (g_report_window == nullptr || ReportArriving(g_report_window)) return;
    g_report_done = NowMs();
    g_report_units = static_cast<std::size_t>(GetWindowTextLengthW(GetDlgItem(g_report_window, IDC_TEXTOUT_EDIT)));
    EndDialog(g_report_window, 1);
    g_report_window = nullptr;
}

// ---- clock

std::int64_t g_seconds = 0;
std::int64_t FixedSeconds() { return g_seconds; }

// The first second of the minute `t` (zone UTC+9, hours 1 to 24).
std::int64_t SecondOf(const _TIMES& t) {
    const std::int64_t local = DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day)) *
                                   86400 +
                               std::int64_t{t.hour} * 3600 + std::int64_t{t.minute} * 60;
    return local - 9 * 3600;
}

// ---- documents

std::wstring TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    std::wstring dir = std::wstring(base) + L"vq-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

// Streams a document's file to disk, so that setting up holds no more memory
// than an open does and the peak working set is the program's own.
bool WriteDocumentFile(const std::wstring& path, const VqfDocument& doc) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    const VqfWriteStatus status =
        WriteVqfTo(doc.item_list.get(), doc.action_kinds.get(), [f](std::span<const std::uint8_t> chunk) {
            DWORD put = 0;
            return WriteFile(f, chunk.data(), static_cast<DWORD>(chunk.size()), &put, nullptr) && put == chunk.size();
        });
    CloseHandle(f);
    return status == VqfWriteStatus::Written;
}

// The size of a file without reading it: reading 66 MB back would set the
// peak working set instead of the program.
std::uint64_t FileSizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<std::uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::vector<std::uint8_t> ReadFileBytes(const std::wstring& path) {
    std::vector<std::uint8_t> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    CloseHandle(f);
    return bytes;
}

// Opens `path` through the open command, from no document.
void OpenDocument(const std::wstring& path) {
    g_manager.DeleteInstance();
    g_choose = path;
    Command(IDM_FILE_OPEN);
    Settle();
}

// ---- reporting

std::vector<std::string> g_only;  // empty: every figure

bool Wanted(const char* operation) {
    if (g_only.empty()) return true;
    const std::string name = operation;
    return std::any_of(g_only.begin(), g_only.end(), [&](const std::string& w) { return name.find(w) != std::string::npos; });
}

void Figure(const char* operation, std::size_t n, const std::vector<double>& runs) {
    std::printf("%-34s %7zu %10.2f ms   peak so far %6.1f MB\n", operation, n, Median(runs), PeakWorkingSetMb());
    std::fflush(stdout);
}

template <typename Setup, typename Body>
std::vector<double> Time(int runs, Setup setup, Body body) {
    std::vector<double> ms;
    for (int r = 0; r < runs; ++r) {
        setup();
        // What the set-up changed on screen is painted before the clock starts.
        Settle();
        const double t0 = NowMs();
        body();
        Settle();
        ms.push_back(NowMs() - t0);
    }
    return ms;
}

constexpr std::size_t kDeleteLines = 1000;
constexpr std::size_t kReportLines = 10000;

struct Paths {
    std::wstring document, save_as;
};

Paths MakeDocument(const std::wstring& dir, std::size_t items, _TIMES* alarm) {
    VqfDocument doc = MakeSampleDocument(items, 20240605);
    // An alarm from the middle of the document: the tick at its minute has
    // one box (or a few) to show.
    const std::vector<const _ITEM_LIST*> records = ChainNodes<const _ITEM_LIST>(doc.item_list.get());
    for (std::size_t k = items / 2; k < records.size(); ++k)
        if (records[k]->alarm.year != 0) {
            *alarm = records[k]->alarm;
            break;
        }
    Paths paths{dir + L"\\bench-" + std::to_wstring(items) + L".vqf",
                dir + L"\\bench-" + std::to_wstring(items) + L"-copy.vqf"};
    if (!WriteDocumentFile(paths.document, doc)) std::fprintf(stderr, "cannot write the sample document\n");
    return paths;
}

void RunProgram(const std::wstring& dir, std::size_t n, int runs) {
    _TIMES alarm{};
    const Paths paths = MakeDocument(dir, n, &alarm);
    auto nothing = [] {};
    // The clock stands still: the dialog's own ticks check its minute once.
    g_seconds = SecondOf(_TIMES{2025, 6, 1, 10, 0}) + 30;

    if (Wanted("open"))
        Figure("open", n, Time(runs, [] { g_manager.DeleteInstance(); Settle(); }, [&] {
            g_choose = paths.document;
            Command(IDM_FILE_OPEN);
        }));
    else
        OpenDocument(paths.document);
    Check(g_manager.state == STATE_OPEN && static_cast<std::size_t>(LineCount()) == n, "open", n);

    // The item list's find field, typed into one character at a time: each
    // keystroke narrows the list (or widens it again) and it is painted.
    if (Wanted("find")) {
        HWND find = Control(IDC_FIND);
        struct Keystroke {
            const char* name;
            const wchar_t* before;
            const wchar_t* after;
        } strokes[] = {
            {"find: 1st key of 会議室", L"", L"会"},
            {"find: 2nd key of 会議室", L"会", L"会議"},
            {"find: 3rd key of 会議室", L"会議", L"会議室"},
            {"find: a rare word", L"", L"ﾘﾊｰｻﾙ"},
            {"find: a common kana (wide)", L"", L"の"},
            {"find: cleared (whole list back)", L"会議室", L""},
        };
        for (const Keystroke& k : strokes) {
            std::size_t shown = 0;
            Figure(k.name, n, Time(runs, [&] { SetWindowTextW(find, k.before); }, [&] {
                SetWindowTextW(find, k.after);
                shown = static_cast<std::size_t>(LineCount());
            }));
            std::printf("%-34s %7zu lines shown\n", "", shown);
        }
        SetWindowTextW(find, L"");
        Check(static_cast<std::size_t>(LineCount()) == n, "find cleared", n);
    }
    // One screenful of owner-drawn lines, painted again.
    if (Wanted("draw")) {
        RECT client{};
        GetClientRect(List(), &client);
        const LRESULT height = std::max<LRESULT>(1, SendMessageW(List(), LB_GETITEMHEIGHT, 0, 0));
        std::printf("%-34s %7ld lines on screen\n", "", static_cast<long>(client.bottom / height));
        Figure("draw a screenful of lines", n, Time(runs * 3, nothing, [] {
            InvalidateRect(List(), nullptr, TRUE);
            UpdateWindow(List());
        }));
    }

    if (Wanted("save")) {
        Figure("save", n, Time(runs, nothing, [] { Command(IDM_FILE_SAVE); }));
        Check(FileSizeOf(paths.document) > 0, "save", n);
        g_choose = paths.save_as;
        Figure("save as", n, Time(runs, nothing, [] { Command(IDM_FILE_SAVEAS); }));
        Check(g_manager.file_path == paths.save_as, "save as", n);
    }

    if (Wanted("add item")) {
        const LRESULT before = LineCount();
        Figure("add item", n, Time(runs * 3, nothing, [] { Command(IDC_ADD_ITEM); }));
        Check(LineCount() == before + runs * 3, "add item", n);
    }

    int round = 0;
    if (Wanted("commit (location only)"))
        Figure("commit (location only)", n, Time(runs * 3, [&] {
            ClickLine(static_cast<int>(LineCount() / 2));
            SetWindowTextW(Control(IDC_LOCATION), (L"会議室 " + std::to_wstring(++round)).c_str());
        }, [] { Command(IDC_LOCATION, EN_KILLFOCUS); }));
    if (Wanted("commit (planned completion)"))
        Figure("commit (planned completion)", n, Time(runs * 3, [&] {
            ClickLine(static_cast<int>(LineCount() / 3));
            const int day = _wtoi(GetWindowString(Control(IDC_PLAN_END_DAY)).c_str());
            SetWindowTextW(Control(IDC_PLAN_END_DAY), std::to_wstring(day % 28 + 1).c_str());
        }, [] { Command(IDC_PLAN_END_DAY, EN_KILLFOCUS); }));

    // Undo and redo of the planned-completion commit above: its line moves
    // back and forth.
    const auto commit_planned = [&] {
        ClickLine(static_cast<int>(LineCount() / 3));
        const int day = _wtoi(GetWindowString(Control(IDC_PLAN_END_DAY)).c_str());
        SetWindowTextW(Control(IDC_PLAN_END_DAY), std::to_wstring(day % 28 + 1).c_str());
        Command(IDC_PLAN_END_DAY, EN_KILLFOCUS);
    };
    if (Wanted("undo commit")) {
        Figure("undo commit (planned completion)", n,
               Time(runs * 3, commit_planned, [] { Command(IDM_EDIT_UNDO); }));
        Check(g_manager.CanRedo(), "undo commit", n);
        Figure("redo commit (planned completion)", n, Time(runs * 3, [&] {
            commit_planned();
            Command(IDM_EDIT_UNDO);
        }, [] { Command(IDM_EDIT_REDO); }));
        Check(!g_manager.CanRedo(), "redo commit", n);
    }

    // Each timed tick checks minutes not checked yet: the one of the alarm,
    // or the hour up to it after a tick that came an hour before (a pause).
    // They are timed inside the alarm window, which a first tick opens: what
    // every tick costs while the window waits for the user (the check, and
    // its lines handed to the window).
    const std::int64_t alarm_minute = ClockMinute(alarm).value_or(0);
    int listed = 0;
    const auto alarm_ticks = [&] {
        if (Wanted("alarm tick (second 0)"))
            Figure("alarm tick (second 0)", n, Time(runs * 3, [&] {
                g_manager.alarms_checked_to = alarm_minute - 1;
                g_seconds = SecondOf(alarm);
            }, [] { SendMessageW(g_main, WM_TIMER, IDT_ALARM, 0); }));
        if (Wanted("alarm tick, catching up 60 minutes"))
            Figure("alarm tick, catching up 60 minutes", n, Time(runs * 3, [&] {
                g_manager.alarms_checked_to = alarm_minute - 60;
                g_seconds = SecondOf(alarm) + 30;
            }, [] { SendMessageW(g_main, WM_TIMER, IDT_ALARM, 0); }));
        if (HWND window = OpenAlarmWindow()) listed = ListBox_GetCount(GetDlgItem(window, IDC_ALARM_LIST));
    };
    if (alarm.year != 0 && (Wanted("alarm tick (second 0)") || Wanted("alarm tick, catching up 60 minutes"))) {
        g_inside_alarm = alarm_ticks;
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, RunInsideAlarmWindow);
        g_manager.alarms_checked_to = alarm_minute - 1;
        g_seconds = SecondOf(alarm);
        SendMessageW(g_main, WM_TIMER, IDT_ALARM, 0);  // returns when the window has closed
        KillTimer(nullptr, timer);
        Check(listed > 0, "alarm tick", n);
    }
    g_manager.alarms_checked_to.reset();  // the clock goes back below: start afresh there
    g_seconds = SecondOf(_TIMES{2025, 6, 1, 10, 0}) + 30;

    if (Wanted("text report")) {
        HHOOK hook = SetWindowsHookExW(WH_CBT, WatchTextOut, nullptr, GetCurrentThreadId());
        const UINT_PTR poll = SetTimer(nullptr, 0, 1, EndWholeReport);
        std::vector<double> up, whole;
        for (int r = 0; r < runs; ++r) {
            SelectSpread(kReportLines);
            Settle();
            g_report_units = 0;
            const double t0 = NowMs();
            Command(IDC_TEXT_OUT);
            up.push_back(g_report_up - t0);
            whole.push_back(g_report_done - t0);
            Settle();
        }
        KillTimer(nullptr, poll);
        UnhookWindowsHookEx(hook);
        Figure("text report, window up (10,000)", n, up);
        Figure("text report, whole text in", n, whole);
        Check(g_report_units > 0, "text report", n);
    }

    if (Wanted("delete (1,000 lines)")) {
        Figure("delete (1,000 lines)", n, Time(runs, [&] {
            OpenDocument(paths.document);
            SelectSpread(kDeleteLines);
        }, [] { Command(IDC_DELETE_ITEM); }));
        Check(static_cast<std::size_t>(LineCount()) == (n > kDeleteLines ? n - kDeleteLines : 1), "delete", n);
    }
    const auto delete_spread = [&] {
        OpenDocument(paths.document);
        SelectSpread(kDeleteLines);
        Command(IDC_DELETE_ITEM);
    };
    if (Wanted("undo delete")) {
        Figure("undo delete (1,000 lines)", n, Time(runs, delete_spread, [] { Command(IDM_EDIT_UNDO); }));
        Check(static_cast<std::size_t>(LineCount()) == n, "undo delete", n);
        Figure("redo delete (1,000 lines)", n, Time(runs, [&] {
            delete_spread();
            Command(IDM_EDIT_UNDO);
        }, [] { Command(IDM_EDIT_REDO); }));
        Check(static_cast<std::size_t>(LineCount()) == (n > kDeleteLines ? n - kDeleteLines : 1), "redo delete", n);
    }
    // The history's memory: 100 deletes of 1,000 lines each, every deleted
    // record kept for an undo. Without a history the deleted records are
    // freed and the peak stays the one with the document open, before them.
    if (Wanted("history of 100 deletes") && n >= 100 * kDeleteLines) {
        OpenDocument(paths.document);
        const double open_peak = PeakWorkingSetMb();
        for (int k = 0; k < 100; ++k) {
            SelectSpread(kDeleteLines);
            Command(IDC_DELETE_ITEM);
        }
        Settle();
        const double peak = PeakWorkingSetMb();
        std::printf("%-34s %7zu   peak %6.1f MB, with the document open before them %6.1f MB: %+.1f MB\n",
                    "history of 100 deletes (1,000)", n, peak, open_peak, peak - open_peak);
        std::fflush(stdout);
        // The history holds 100 steps, or fewer where their records pass its
        // byte bound: each undo brings 1,000 lines back.
        int undone = 0;
        while (g_manager.CanUndo()) Command(IDM_EDIT_UNDO), ++undone;
        std::printf("%-34s %7zu   %d steps kept, %ld lines after undoing them\n", "history of 100 deletes (1,000)", n,
                    undone, static_cast<long>(LineCount()));
        Check(undone > 0 && undone <= 100 &&
                  static_cast<std::size_t>(LineCount()) == n - static_cast<std::size_t>(100 - undone) * kDeleteLines,
              "history of 100 deletes", n);
    }

    g_manager.DeleteInstance();
    Settle();
    DeleteFileW(paths.document.c_str());
    DeleteFileW(paths.save_as.c_str());
}

// ---- opening a document whose alarms came due while it was closed

// The alarm window is watched from the moment it comes up, as the text
// output window is, and closed at once.
double g_alarm_up = 0;
int g_alarm_lines = 0;

LRESULT CALLBACK WatchAlarmWindow(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_alarm_up == 0) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (HWND list = GetDlgItem(window, IDC_ALARM_LIST); window != g_main && list != nullptr) {
            g_alarm_up = NowMs();
            g_alarm_lines = ListBox_GetCount(list);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK CloseAlarmWindow(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND window = OpenAlarmWindow()) SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
}

constexpr std::size_t kMissedAlarms = 1000;

// Opening the document and its first tick, until the window shows what came
// due while it was closed: `kMissedAlarms` alarms in the ten days since the
// minute recorded for it, against the same document whose alarms all lie in
// the ten days ahead.
void RunMissedAlarms(const std::wstring& dir, std::size_t n, int runs) {
    const std::int64_t now = SecondOf(_TIMES{2025, 6, 1, 10, 0}) + 30;
    const std::int64_t ten_days = 10 * 1440;
    const std::wstring missed = dir + L"\\missed.vqf", ahead = dir + L"\\ahead.vqf";
    for (const bool late : {true, false}) {
        VqfDocument doc = MakeSampleDocument(n, 20240605);
        const std::size_t stride = n / kMissedAlarms;
        std::size_t i = 0;
        for (_ITEM_LIST* r : ChainNodes<_ITEM_LIST>(doc.item_list.get())) {
            r->alarm = {};
            r->actual_end = {};  // none finished: every one is shown
            const std::size_t j = i / stride;
            if (i++ % stride != 0 || j >= kMissedAlarms) continue;
            const std::int64_t step = static_cast<std::int64_t>(j + 1) * ten_days / std::int64_t{kMissedAlarms};
            r->alarm = GetTimeAt(static_cast<std::uint32_t>((now / 60 + (late ? -step : step)) * 60));
        }
        if (!WriteDocumentFile(late ? missed : ahead, doc)) std::fprintf(stderr, "cannot write the sample document\n");
    }
    g_seconds = now;
    HHOOK hook = SetWindowsHookExW(WH_CBT, WatchAlarmWindow, nullptr, GetCurrentThreadId());
    const UINT_PTR closer = SetTimer(nullptr, 0, 10, CloseAlarmWindow);
    // The two opens take turns, so that a machine busy for a while slows
    // both alike. The dialog's own timer is stopped: the one tick timed is
    // the one sent here, after the open.
    KillTimer(g_main, IDT_ALARM);
    std::vector<double> ms[2], tick[2];
    for (int r = 0; r < runs; ++r)
        for (const bool late : {false, true}) {
            const std::wstring& path = late ? missed : ahead;
            g_manager.DeleteInstance();
            RecordAlarmsChecked(path, now / 60 - 2 * ten_days);
            Settle();
            g_alarm_up = 0;
            g_alarm_lines = 0;
            const double t0 = NowMs();
            g_choose = path;
            Command(IDM_FILE_OPEN);
            Settle();
            const double t1 = NowMs();
            SendMessageW(g_main, WM_TIMER, IDT_ALARM, 0);  // returns when the window has closed
            const double t2 = late ? g_alarm_up : NowMs();
            ms[late].push_back(t2 - t0);
            tick[late].push_back(t2 - t1);
            Check(static_cast<std::size_t>(g_alarm_lines) == (late ? kMissedAlarms : 0), "missed alarms", n);
            Check(static_cast<std::size_t>(LineCount()) == n, "open with missed alarms", n);
        }
    Figure("open, no missed alarm", n, ms[0]);
    Figure("open, 1,000 missed alarms shown", n, ms[1]);
    Figure("  its first tick, none", n, tick[0]);
    Figure("  its first tick, window up", n, tick[1]);
    std::printf("%-34s %7zu %10.2f ms\n", "  1,000 missed alarms cost", n, Median(ms[1]) - Median(ms[0]));
    KillTimer(nullptr, closer);
    SetTimer(g_main, IDT_ALARM, 1000, nullptr);
    UnhookWindowsHookEx(hook);
    g_manager.DeleteInstance();
    Settle();
    DeleteFileW(missed.c_str());
    DeleteFileW(ahead.c_str());
}

// ---- the one-line-at-a-time baseline, for comparison

struct BaselineNode {
    std::wstring title;
    _TIMES planned_end;
    std::unique_ptr<BaselineNode> next;
    ~BaselineNode() {
        while (next) next = std::move(next->next);
    }
};

// Adds one line: search the titles from the head, walk to the schedule place,
// insert, then deselect every line one message at a time and select the new
// one.
void BaselineAddItem(std::unique_ptr<BaselineNode>& head, const std::wstring& title, const _TIMES& end) {
    for (BaselineNode* n = head.get(); n; n = n->next.get())
        if (lstrcmpW(n->title.c_str(), title.c_str()) == 0) return;
    unsigned position = 0;
    std::unique_ptr<BaselineNode>* link = &head;
    while (*link && TimeCmp(end, (*link)->planned_end) != -1) {
        ++position;
        link = &(*link)->next;
    }
    auto node = std::make_unique<BaselineNode>();
    node->title = title;
    node->planned_end = end;
    node->next = std::move(*link);
    *link = std::move(node);
    HWND list = List();
    const LRESULT at = SendMessageW(list, LB_INSERTSTRING, position, reinterpret_cast<LPARAM>(title.c_str()));
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) SendMessageW(list, LB_SETSEL, FALSE, i);
    SendMessageW(list, LB_SETSEL, TRUE, at);
}

// Removes the named node and the last selected line, found by asking every
// line whether it is selected.
void BaselineScheduleDelete(std::unique_ptr<BaselineNode>& head, const std::wstring& title) {
    for (std::unique_ptr<BaselineNode>* link = &head; *link; link = &(*link)->next)
        if (lstrcmpW((*link)->title.c_str(), title.c_str()) == 0) {
            std::unique_ptr<BaselineNode> gone = std::move(*link);
            *link = std::move(gone->next);
            break;
        }
    HWND list = List();
    LRESULT candidate = -1;
    for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i)
        if (SendMessageW(list, LB_GETSEL, i, 0) > 0) candidate = i;
    SendMessageW(list, LB_SETSEL, FALSE, candidate);
    if (candidate != -1) SendMessageW(list, LB_DELETESTRING, candidate, 0);
}

struct BaselineDocument {
    std::unique_ptr<_ITEM_LIST> items;
    std::unique_ptr<_KIND_LIST> kinds;
    std::unique_ptr<BaselineNode> schedule;
    CActionEdit editor{GetWnd()};
};

// Open without the program's shortcuts: every item is added on its own and
// shown in the editor in turn.
void BaselineOpen(BaselineDocument& doc, const std::wstring& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    if (!CheckVqf(bytes)) return;
    VqfDocument loaded = LoadVqf(bytes);
    doc.items = std::move(loaded.item_list);
    doc.kinds = std::move(loaded.action_kinds);
    SetWindowTextW(g_main, (L"Velquorandimestra [ " + path.substr(path.find_last_of(L'\\') + 1) + L" ]").c_str());
    doc.editor.InitInstance();
    for (const _ITEM_LIST* p = doc.items.get(); p; p = p->next.get()) {
        BaselineAddItem(doc.schedule, ToWide(p->title), p->planned_end);
        doc.editor.SetItem(p);
    }
    HWND combo = Control(IDC_ACTION_KIND);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    WPARAM i = 0;
    for (const _KIND_LIST* k = doc.kinds.get(); k; k = k->next.get(), ++i)
        SendMessageW(combo, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(ToWide(k->text).c_str()));
}

// The document with its lines in schedule order (as either way of opening
// leaves them), filled without the per-line deselection, so that the other
// baseline operations start from the same state as the program's.
void BaselinePrepared(BaselineDocument& doc, const std::wstring& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    if (!CheckVqf(bytes)) return;
    VqfDocument loaded = LoadVqf(bytes);
    doc.items = std::move(loaded.item_list);
    std::vector<const _ITEM_LIST*> order = ChainNodes<const _ITEM_LIST>(doc.items.get());
    std::stable_sort(order.begin(), order.end(), [](const _ITEM_LIST* a, const _ITEM_LIST* b) {
        return TimeCmp(a->planned_end, b->planned_end) == -1;
    });
    HWND list = List();
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    std::unique_ptr<BaselineNode>* tail = &doc.schedule;
    for (const _ITEM_LIST* p : order) {
        *tail = std::make_unique<BaselineNode>();
        (*tail)->title = ToWide(p->title);
        (*tail)->planned_end = p->planned_end;
        SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>((*tail)->title.c_str()));
        tail = &(*tail)->next;
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    doc.editor.InitInstance();
}

void BaselineDelete(BaselineDocument& doc) {
    HWND list = List();
    auto count_selected = [&](LRESULT* last) {
        LRESULT selected = 0;
        for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i)
            if (SendMessageW(list, LB_GETSEL, i, 0) > 0) {
                ++selected;
                *last = i;
            }
        return selected;
    };
    LRESULT last = -1;
    while (count_selected(&last) > 0) {
        const std::wstring text = GetListBoxLine(list, static_cast<int>(last));
        std::unique_ptr<_ITEM_LIST> gone;
        for (std::unique_ptr<_ITEM_LIST>* link = &doc.items; *link; link = &(*link)->next)
            if (lstrcmpW(ToWide((*link)->title).c_str(), text.c_str()) == 0) {
                gone = std::move(*link);
                *link = std::move(gone->next);
                break;
            }
        BaselineScheduleDelete(doc.schedule, gone ? ToWide(gone->title) : text);
    }
    doc.editor.SetItem(doc.items.get());
}

std::size_t BaselineReport(BaselineDocument& doc) {
    HWND list = List();
    auto find = [&](const std::wstring& text) -> const _ITEM_LIST* {
        for (const _ITEM_LIST* p = doc.items.get(); p; p = p->next.get())
            if (lstrcmpW(ToWide(p->title).c_str(), text.c_str()) == 0) return p;
        return nullptr;
    };
    std::size_t size = 0;
    for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
        if (SendMessageW(list, LB_GETSEL, i, 0) <= 0) continue;
        if (const _ITEM_LIST* p = find(GetListBoxLine(list, static_cast<int>(i))))
            size += ReportHeading(*p).size() + p->status.size() + 16;
    }
    std::u16string report;
    report.reserve(size);
    for (LRESULT i = 0; i < SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
        if (SendMessageW(list, LB_GETSEL, i, 0) <= 0) continue;
        if (const _ITEM_LIST* p = find(GetListBoxLine(list, static_cast<int>(i)))) AppendReportBlock(report, *p);
    }
    HWND dialog = CreateDialogParamW(g_hInst, MAKEINTRESOURCEW(IDD_TEXTOUT), g_main, nullptr, 0);
    HWND edit = GetDlgItem(dialog, IDC_TEXTOUT_EDIT);
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(edit, ToWide(report).c_str());
    const auto units = static_cast<std::size_t>(GetWindowTextLengthW(edit));
    DestroyWindow(dialog);
    return units;
}

void ClearList() {
    g_manager.DeleteInstance();
    SendMessageW(List(), LB_RESETCONTENT, 0, 0);
    Settle();
}

void Compare(const char* operation, std::size_t n, const std::vector<double>& program,
             const std::vector<double>& baseline) {
    const double p = Median(program), l = Median(baseline);
    std::printf("%-34s %7zu %10.2f ms  baseline %10.2f ms  ratio %8.1f\n", operation, n, p, l, l / p);
    std::fflush(stdout);
}

void RunBaseline(const std::wstring& dir, std::size_t n, int runs) {
    _TIMES alarm{};
    const Paths paths = MakeDocument(dir, n, &alarm);
    g_seconds = SecondOf(_TIMES{2025, 6, 1, 10, 0}) + 30;

    std::unique_ptr<BaselineDocument> baseline;

    // Open.
    if (Wanted("open")) {
        const auto program_open = Time(runs, [] { ClearList(); }, [&] {
            g_choose = paths.document;
            Command(IDM_FILE_OPEN);
        });
        const std::vector<std::wstring> program_lines = [] {
            std::vector<std::wstring> lines;
            for (LRESULT i = 0; i < LineCount(); ++i) lines.push_back(GetListBoxLine(List(), static_cast<int>(i)));
            return lines;
        }();
        const LRESULT program_selected = SendMessageW(List(), LB_GETCURSEL, 0, 0);
        const auto baseline_open = Time(runs, [&] {
            ClearList();
            baseline = std::make_unique<BaselineDocument>();
        }, [&] { BaselineOpen(*baseline, paths.document); });
        Compare("open (list box fill)", n, program_open, baseline_open);
        bool same = static_cast<std::size_t>(LineCount()) == program_lines.size();
        for (std::size_t i = 0; same && i < program_lines.size(); ++i)
            same = GetListBoxLine(List(), static_cast<int>(i)) == program_lines[i];
        Check(same && SendMessageW(List(), LB_GETSELCOUNT, 0, 0) == 1 &&
                  SendMessageW(List(), LB_GETSEL, static_cast<WPARAM>(program_selected), 0) > 0,
              "baseline open gives the program's lines and selection", n);
        baseline.reset();
    }

    // Delete.
    if (Wanted("delete")) {
        const auto program_delete = Time(runs, [&] {
            ClearList();
            OpenDocument(paths.document);
            SelectSpread(kDeleteLines);
        }, [] { Command(IDC_DELETE_ITEM); });
        const auto baseline_delete = Time(runs, [&] {
            ClearList();
            baseline = std::make_unique<BaselineDocument>();
            BaselinePrepared(*baseline, paths.document);
            SelectSpread(kDeleteLines);
        }, [&] { BaselineDelete(*baseline); });
        Compare("delete (1,000 lines)", n, program_delete, baseline_delete);
        baseline.reset();
    }

    // Text report.
    if (Wanted("text report")) {
        HHOOK hook = SetWindowsHookExW(WH_CBT, WatchTextOut, nullptr, GetCurrentThreadId());
        const UINT_PTR poll = SetTimer(nullptr, 0, 1, EndWholeReport);
        const auto program_report = Time(runs, [&] {
            ClearList();
            OpenDocument(paths.document);
            SelectSpread(kReportLines);
        }, [] { Command(IDC_TEXT_OUT); });
        KillTimer(nullptr, poll);
        UnhookWindowsHookEx(hook);
        const std::size_t program_units = g_report_units;
        std::size_t baseline_units = 0;
        const auto baseline_report = Time(runs, [&] {
            ClearList();
            baseline = std::make_unique<BaselineDocument>();
            BaselinePrepared(*baseline, paths.document);
            SelectSpread(kReportLines);
        }, [&] { baseline_units = BaselineReport(*baseline); });
        Compare("text report (all lines)", n, program_report, baseline_report);
        Check(program_units == baseline_units, "baseline report has the program's length", n);
        baseline.reset();
    }

    ClearList();
    DeleteFileW(paths.document.c_str());
    DeleteFileW(paths.save_as.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::size_t> sizes;
    int runs = 5;
    bool baseline = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--only" && i + 1 < argc)
            for (std::string rest = argv[++i]; !rest.empty();) {
                const std::size_t comma = rest.find(',');
                g_only.push_back(rest.substr(0, comma));
                rest = comma == std::string::npos ? std::string() : rest.substr(comma + 1);
            }
        else if (arg == "--baseline")
            baseline = true;
        else
            sizes.push_back(static_cast<std::size_t>(std::strtoull(argv[i], nullptr, 10)));
    }
    if (sizes.empty()) sizes = baseline ? std::vector<std::size_t>{5000} : std::vector<std::size_t>{1000, 10000, 100000};

    g_hInst = GetModuleHandleW(nullptr);
    RegisterMainWindowClass(g_hInst);
    g_main = CreateDialogParamW(g_hInst, MAKEINTRESOURCEW(IDD_MAIN), nullptr, DlgProc,
                                reinterpret_cast<LPARAM>(&g_manager));
    if (!g_main) {
        std::fprintf(stderr, "cannot create the main dialog\n");
        return 1;
    }
    g_hWnd = g_main;
    const std::wstring dir = TempFolder();
    SetLastFileRecordPath(dir + L"\\last.dat");  // none there: no file is reopened
    SetAlarmRecordPath(dir + L"\\alarms.dat");  // not the user's own
    g_manager.InitInstance();
    if (!std::getenv("VQ_BENCH_HIDDEN")) ShowWindow(g_main, SW_SHOW);
    Settle();

    SetClock(&FixedSeconds);
    InstallSeams();

    std::printf("%-34s %7s %13s\n", "operation", "n", baseline ? "program" : "median");
    for (std::size_t n : sizes) {
        if (baseline)
            RunBaseline(dir, n, runs);
        else {
            RunProgram(dir, n, runs);
            if (Wanted("missed") && n >= kMissedAlarms) RunMissedAlarms(dir, n, runs);
        }
    }
    std::printf("peak working set %.1f MB\n", PeakWorkingSetMb());

    DeleteFileW((dir + L"\\last.dat").c_str());
    DeleteFileW((dir + L"\\alarms.dat").c_str());
    RemoveDirectoryW(dir.c_str());
    DestroyWindow(g_main);
    return g_failures == 0 ? 0 : 1;
}
