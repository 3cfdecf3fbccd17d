#include "AlarmDlg.h"

#include <algorithm>
#include <iterator>

#include "Alarms.h"
#include "Controls.h"
#include "Seams.h"
#include "library.h"
#include "resource.h"

namespace {

struct AlarmWindow {
    HWND dialog = nullptr;
    std::vector<DueAlarm> lines;  // the list box's lines, in its order
    const SnoozeAction* snooze;
};

AlarmWindow* g_open = nullptr;
// The snooze length chosen last in this run (an index of kSnoozeMinutes),
// offered first the next time.
int g_snooze_choice = 0;

constexpr UINT kAlarmBoxFlags = MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST;

HWND List(const AlarmWindow& w) { return GetDlgItem(w.dialog, IDC_ALARM_LIST); }

// The whole text of the line with the list's caret, the first one at the
// start.
void ShowChosenText(const AlarmWindow& w) {
    const int caret = ListBox_GetCaretIndex(List(w));
    const bool valid = caret >= 0 && static_cast<std::size_t>(caret) < w.lines.size();
    SetDlgItemTextW(w.dialog, IDC_ALARM_TEXT, valid ? w.lines[static_cast<std::size_t>(caret)].text.c_str() : L"");
}

void AddLines(AlarmWindow& w, std::vector<DueAlarm> due) {
    HWND list = List(w);
    const bool was_empty = w.lines.empty();
    for (DueAlarm& d : due) {
        const bool listed = std::any_of(w.lines.begin(), w.lines.end(), [&](const DueAlarm& l) {
            return l.record == d.record && l.minute == d.minute;
        });
        if (listed) continue;
        ListBox_AddString(list, d.line.c_str());
        w.lines.push_back(std::move(d));
    }
    if (was_empty) ShowChosenText(w);
}

void Snooze(AlarmWindow& w) {
    HWND list = List(w);
    std::vector<int> chosen = SelectedLines(list);
    if (chosen.empty()) {  // none chosen: every line
        chosen.resize(w.lines.size());
        for (std::size_t i = 0; i < chosen.size(); ++i) chosen[i] = static_cast<int>(i);
    }
    const int choice = ComboBox_GetCurSel(GetDlgItem(w.dialog, IDC_ALARM_SNOOZE_LENGTH));
    if (choice >= 0 && choice < static_cast<int>(std::size(kSnoozeMinutes))) g_snooze_choice = choice;

    // The snoozed lines leave the window; they come back when they are due.
    std::vector<DueAlarm> snoozed;
    for (auto i = chosen.rbegin(); i != chosen.rend(); ++i) {
        const auto at = static_cast<std::size_t>(*i);
        if (at >= w.lines.size()) continue;
        snoozed.insert(snoozed.begin(), std::move(w.lines[at]));
        w.lines.erase(w.lines.begin() + *i);
        ListBox_DeleteString(list, *i);
    }
    (*w.snooze)(snoozed, kSnoozeMinutes[g_snooze_choice]);
    if (w.lines.empty()) {
        EndDialog(w.dialog, IDC_ALARM_SNOOZE);
        return;
    }
    ListBox_SetCaretIndex(list, 0);
    ShowChosenText(w);
    SetFocus(list);
}

INT_PTR CALLBACK AlarmDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    AlarmWindow* w = g_open != nullptr && g_open->dialog == dialog ? g_open : nullptr;
    switch (message) {
        case WM_INITDIALOG: {
            w = reinterpret_cast<AlarmWindow*>(lParam);
            w->dialog = dialog;
            // Columns: the time (and how late, for a late line), then the
            // title, then the status's first line.
            const INT stops[] = {104, 190};
            ListBox_SetTabStops(List(*w), 2, stops);
            std::vector<DueAlarm> due = std::move(w->lines);
            w->lines.clear();
            AddLines(*w, std::move(due));
            HWND lengths = GetDlgItem(dialog, IDC_ALARM_SNOOZE_LENGTH);
            for (const int minutes : kSnoozeMinutes)
                ComboBox_AddString(lengths, (std::to_wstring(minutes) + L" 分後").c_str());
            ComboBox_SetCurSel(lengths, g_snooze_choice);
            SetFocus(List(*w));
            return FALSE;  // the focus is set
        }
        case WM_COMMAND:
            if (w == nullptr) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_ALARM_LIST:
                    if (HIWORD(wParam) == LBN_SELCHANGE) ShowChosenText(*w);
                    return TRUE;
                case IDC_ALARM_SNOOZE:
                    if (HIWORD(wParam) == BN_CLICKED) Snooze(*w);
                    return TRUE;
                case IDOK:
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_CLOSE:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

void ShowAlarmWindow(HWND owner, std::vector<DueAlarm> due, const SnoozeAction& snooze) {
    if (g_open != nullptr) {
        if (g_open->dialog == nullptr) {
            // Not up yet: its lines are listed when it comes up.
            std::move(due.begin(), due.end(), std::back_inserter(g_open->lines));
        } else {
            AddLines(*g_open, std::move(due));
            SetForegroundWindow(g_open->dialog);
        }
        return;
    }
    AlarmWindow window{nullptr, std::move(due), &snooze};
    g_open = &window;
    const INT_PTR shown =
        DialogBoxParamW(g_hInst, MAKEINTRESOURCEW(IDD_ALARM), owner, AlarmDlgProc, reinterpret_cast<LPARAM>(&window));
    g_open = nullptr;
    if (shown == -1) {
        // The window could not be made (no memory, no template): the alarms
        // still go off, each in a box.
        for (const DueAlarm& d : window.lines) ShowMessageBox(owner, d.text.c_str(), L"アラーム", kAlarmBoxFlags);
    }
}

HWND OpenAlarmWindow() { return g_open != nullptr ? g_open->dialog : nullptr; }
