// Cost of the document's lines mirrored in a real list box with many items:
// prints the time to open items in schedule order and in shuffled order, to
// move lines by commits, and to release everything. Not a test: run it by hand under Wine, e.g.
//   cmake/wine-run.sh build/win64/tests/schedule_bench.exe 100000
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ActionDocument.h"
#include "ScheduleManager.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

_TIMES Key(int i) { return _TIMES{2024 + i / 400000, 1 + i / 33600 % 12, 1 + i / 1200 % 28, 1 + i / 60 % 20, i % 60}; }

void Run(const char* label, const std::vector<int>& order) {
    HWND list = GetDlgItem(GetWnd(), IDC_ITEM_LIST);
    CScheduleManager schedule(list);
    ActionDocument document;

    auto start = Clock::now();
    std::unique_ptr<_ITEM_LIST> items;
    std::unique_ptr<_ITEM_LIST>* tail = &items;
    for (int i : order) {
        *tail = std::make_unique<_ITEM_LIST>();
        (*tail)->title = u"item " + ToU16(std::to_wstring(i));
        (*tail)->planned_start = (*tail)->planned_end = Key(i);
        tail = &(*tail)->next;
    }
    document.Replace(std::move(items), nullptr);
    schedule.Fill(document, 0);
    const double open = Seconds(start);

    // Commits that move a line: a later planned completion each time.
    const int churn = 1000;
    start = Clock::now();
    for (int k = 0; k < churn; ++k) {
        const _ITEM_LIST* record = document.LineRecord(static_cast<std::size_t>(k) * 7919 % document.LineCount());
        const _EDIT_ITEM shown = *record;
        _EDIT_ITEM edited = shown;
        edited.planned_end = Key(static_cast<int>(order.size()) + k);
        const ActionDocument::Committed done = document.Commit(record, shown, edited);
        schedule.MoveLine(done.from, done.to, done.record);
    }
    const double commit = Seconds(start);

    const auto lines = SendMessageW(list, LB_GETCOUNT, 0, 0);
    start = Clock::now();
    schedule.DeleteInstance();
    document.Clear();
    const double release = Seconds(start);
    std::printf("%-10s %7zu items (%ld lines): open %.2f s, %d moving commits %.2f s, release %.3f s\n", label,
                order.size(), static_cast<long>(lines), open, churn, commit, release);
}

}  // namespace

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    HWND owner = CreateWindowExW(0, L"STATIC", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_SORT | WS_VSCROLL, 0, 0, 200,
                    300, owner, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_ITEM_LIST)), GetModuleHandleW(nullptr),
                    nullptr);
    g_hWnd = owner;

    std::vector<int> order(static_cast<std::size_t>(items));
    for (int i = 0; i < items; ++i) order[static_cast<std::size_t>(i)] = i;
    Run("in order", order);
    std::shuffle(order.begin(), order.end(), std::mt19937(42));
    Run("shuffled", order);
    DestroyWindow(owner);
    return 0;
}
