#include "ScheduleManager.h"

#include <windowsx.h>

#include <algorithm>
#include <unordered_set>

#include "ActionDocument.h"
#include "Controls.h"
#include "DpiScale.h"
#include "RedrawPause.h"
#include "Times.h"
#include "WideText.h"
#include "resource.h"

namespace {

// Late lines: a red that reads on the window colour.
constexpr COLORREF kLateText = RGB(0xC0, 0x00, 0x00);

std::int64_t ClockMinuteNow() { return static_cast<std::uint32_t>(ReadClock()) / 60; }

}  // namespace

std::wstring CountText(std::size_t shown, std::size_t all) {
    return std::to_wstring(shown) + L" / " + std::to_wstring(all) + L" 件";
}

void PrepareListFilter(HWND filter) {
    if (filter == nullptr) return;
    static constexpr const wchar_t* kFilters[kListFilterCount] = {L"すべて", L"未完了", L"遅れ", L"今日まで", L"完了"};
    ComboBox_ResetContent(filter);
    for (const wchar_t* name : kFilters) ComboBox_AddString(filter, name);
    ComboBox_SetCurSel(filter, 0);
}

// The lines the list box holds already are the document's first lines, shown.
CScheduleManager::CScheduleManager(HWND list)
    : list_(list), shown_(static_cast<std::size_t>(std::max(0, ListBox_GetCount(list))), 1),
      records_(shown_.size(), nullptr), now_(ListClockAt(ClockMinuteNow())) {}

const _ITEM_LIST* CScheduleManager::RecordOf(int line) const {
    return line >= 0 && static_cast<std::size_t>(line) < records_.size() ? records_[static_cast<std::size_t>(line)]
                                                                           : nullptr;
}

CScheduleManager::~CScheduleManager() {
    if (bold_ != nullptr) DeleteObject(bold_);
}

void CScheduleManager::DeleteInstance() {
    ListBox_ResetContent(list_);
    records_.clear();
    shown_.clear();
    hidden_selected_.clear();
    hidden_ = 0;
    ShowCount();
}

int CScheduleManager::ListLine(std::size_t line) const {
    if (hidden_ == 0) return static_cast<int>(line);
    return static_cast<int>(std::count(shown_.begin(), shown_.begin() + static_cast<std::ptrdiff_t>(line), 1));
}

int CScheduleManager::ShownLine(int line) const {
    if (line < 0 || static_cast<std::size_t>(line) >= shown_.size() || !shown_[static_cast<std::size_t>(line)])
        return -1;
    return ListLine(static_cast<std::size_t>(line));
}

bool CScheduleManager::InsertLine(int at, const _ITEM_LIST* record) {
    const std::wstring shown = ToWide(ShownText(record->title));
    const LRESULT line =
        SendMessageW(list_, LB_INSERTSTRING, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(shown.c_str()));
    if (line == LB_ERR || line == LB_ERRSPACE) return false;
    records_.insert(records_.begin() + std::min(static_cast<std::size_t>(line), records_.size()), record);
    return true;
}

void CScheduleManager::ShowCount() const {
    HWND count = GetDlgItem(GetParent(list_), IDC_COUNT);
    if (count == nullptr) return;
    const std::wstring text = CountText(ShownCount(), LineCount());
    if (GetWindowString(count) != text) SetWindowTextW(count, text.c_str());
}

std::size_t CScheduleManager::Fill(const ActionDocument& document, int selected, const ListQuery& query) {
    const std::size_t count = document.LineCount();
    shown_.assign(count, 1);
    hidden_ = 0;
    hidden_selected_.clear();
    query_ = query;
    hidden_changed_ = false;
    const bool narrows = query.Narrows();
    std::size_t units = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const _ITEM_LIST* record = document.LineRecord(i);
        if (narrows && static_cast<int>(i) != selected && !query.Matches(*record)) {
            shown_[i] = 0;
            ++hidden_;
            continue;
        }
        units += ShownText(record->title).size() + 1;
    }

    RedrawPause pause(list_);
    ListBox_ResetContent(list_);
    records_.clear();
    records_.reserve(count - hidden_);
    SendMessageW(list_, LB_INITSTORAGE, count - hidden_, units * sizeof(wchar_t));
    std::size_t done = 0;
    int at = 0;
    for (; done < count; ++done) {
        if (!shown_[done]) continue;
        if (!InsertLine(at, document.LineRecord(done))) break;
        ++at;
    }
    if (done < count) {  // the list box ran out of memory: the rest is not shown
        const auto rest = shown_.begin() + static_cast<std::ptrdiff_t>(done);
        hidden_ += static_cast<std::size_t>(std::count(rest, shown_.end(), 1));
        std::fill(rest, shown_.end(), 0);
    }
    ListBox_SetSel(list_, FALSE, -1);
    if (selected >= 0 && static_cast<std::size_t>(selected) < done) {
        const int line = ListLine(static_cast<std::size_t>(selected));
        ListBox_SetSel(list_, TRUE, line);
        ListBox_SetCaretIndex(list_, line);
    }
    ShowCount();
    return done;
}

void CScheduleManager::Narrow(const ActionDocument& document, const ListQuery& query) {
    const std::size_t count = document.LineCount();
    if (shown_.size() != count) return;  // not a mirror of this document
    // What the user had: the selected records, the caret's and the top one.
    std::unordered_set<const _ITEM_LIST*> selected = std::move(hidden_selected_);
    hidden_selected_.clear();
    for (int line : SelectedLines(list_)) selected.insert(RecordOf(line));
    const int caret_line = ListBox_GetCaretIndex(list_);
    const _ITEM_LIST* caret = caret_line >= 0 ? RecordOf(caret_line) : nullptr;
    const int top_line = ListBox_GetTopIndex(list_);
    const _ITEM_LIST* top = top_line >= 0 && top_line < ListBox_GetCount(list_) ? RecordOf(top_line) : nullptr;

    const bool narrows = query.Narrows();
    // Typing on in the find field: a line hidden before stays hidden.
    const bool only_shown = narrows && !hidden_changed_ && query.NarrowsFurtherThan(query_);
    query_ = query;
    hidden_changed_ = false;
    std::size_t units = 0;
    hidden_ = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const _ITEM_LIST* record = document.LineRecord(i);
        if (only_shown && !shown_[i])
            shown_[i] = 0;
        else
            shown_[i] = !narrows || query.Matches(*record) ? 1 : 0;
        if (shown_[i]) {
            units += ShownText(record->title).size() + 1;
        } else {
            ++hidden_;
            if (selected.count(record)) hidden_selected_.insert(record);
        }
    }

    RedrawPause pause(list_);
    ListBox_ResetContent(list_);
    records_.clear();
    records_.reserve(count - hidden_);
    SendMessageW(list_, LB_INITSTORAGE, count - hidden_, units * sizeof(wchar_t));
    int at = 0, new_caret = -1, new_top = -1;
    for (std::size_t i = 0; i < count; ++i) {
        if (!shown_[i]) continue;
        const _ITEM_LIST* record = document.LineRecord(i);
        if (!InsertLine(at, record)) {
            shown_[i] = 0;
            ++hidden_;
            continue;
        }
        if (!selected.empty() && selected.count(record)) ListBox_SetSel(list_, TRUE, at);
        if (record == caret) new_caret = at;
        if (record == top) new_top = at;
        ++at;
    }
    if (new_top >= 0) ListBox_SetTopIndex(list_, new_top);
    if (new_caret >= 0) {
        // The caret, and so the view, stays with its line when it is shown.
        ListBox_SetCaretIndex(list_, new_caret);
    }
    ShowCount();
}

bool CScheduleManager::InsertSelected(std::size_t line, const _ITEM_LIST* record) {
    RedrawPause pause(list_);
    shown_.insert(shown_.begin() + static_cast<std::ptrdiff_t>(line), 1);
    const int at = ListLine(line);
    if (!InsertLine(at, record)) {
        shown_[line] = 0;
        ++hidden_;
        ShowCount();
        return false;
    }
    ListBox_SetSel(list_, FALSE, -1);
    ListBox_SetSel(list_, TRUE, at);
    hidden_selected_.clear();
    ShowCount();
    return true;
}

void CScheduleManager::RemoveLines(const std::vector<std::size_t>& lines) {
    if (lines.empty()) return;
    RedrawPause pause(list_);
    for (std::size_t line : lines) {
        if (line >= shown_.size()) continue;
        if (shown_[line]) {
            const int at = ListLine(line);
            ListBox_DeleteString(list_, at);
            if (static_cast<std::size_t>(at) < records_.size()) records_.erase(records_.begin() + at);
        } else
            --hidden_;
        shown_.erase(shown_.begin() + static_cast<std::ptrdiff_t>(line));
    }
    ShowCount();
}

bool CScheduleManager::MoveLine(int from, int to, const _ITEM_LIST* record) {
    const bool had_line = from >= 0 && static_cast<std::size_t>(from) < shown_.size();
    const bool shown = had_line ? shown_[static_cast<std::size_t>(from)] != 0 : true;
    const int list_from = had_line && shown ? ListLine(static_cast<std::size_t>(from)) : -1;
    if (had_line) shown_.erase(shown_.begin() + from);
    const std::size_t to_line = std::min(static_cast<std::size_t>(std::max(to, 0)), shown_.size());
    shown_.insert(shown_.begin() + static_cast<std::ptrdiff_t>(to_line), shown ? 1 : 0);
    if (!shown) {  // a hidden line stays hidden: the list box is as it was
        hidden_changed_ = true;
        return true;
    }
    const bool moved = MoveListLine(list_from, ListLine(to_line), record);
    if (!moved) {
        shown_[to_line] = 0;
        ++hidden_;
    }
    ShowCount();
    return moved;
}

void CScheduleManager::Mirror(const std::vector<ActionDocument::LineChange>& changes,
                              const std::vector<int>& selected) {
    RedrawPause pause(list_);
    const int top = ListBox_GetTopIndex(list_);
    for (const ActionDocument::LineChange& change : changes) {
        if (change.from >= 0 && static_cast<std::size_t>(change.from) < shown_.size()) {
            const auto from = static_cast<std::size_t>(change.from);
            if (shown_[from]) {
                const int at = ListLine(from);
                ListBox_DeleteString(list_, at);
                if (static_cast<std::size_t>(at) < records_.size()) records_.erase(records_.begin() + at);
            } else {
                --hidden_;
            }
            shown_.erase(shown_.begin() + change.from);
            // A record that went may be freed once the history lets it go.
            hidden_selected_.erase(change.record);
        }
        if (change.to >= 0) {
            const std::size_t to = std::min(static_cast<std::size_t>(change.to), shown_.size());
            shown_.insert(shown_.begin() + static_cast<std::ptrdiff_t>(to), 1);
            if (!InsertLine(ListLine(to), change.record)) {
                shown_[to] = 0;
                ++hidden_;
            }
        }
    }
    ListBox_SetSel(list_, FALSE, -1);
    hidden_selected_.clear();
    // Selected by runs of lines: a line selected alone with LB_SETSEL also
    // becomes the caret's and is scrolled to, which for a thousand lines
    // takes the list box far longer than the lines themselves.
    std::vector<int> lines;
    lines.reserve(selected.size());
    for (int line : selected)
        if (const int at = ShownLine(line); at >= 0) lines.push_back(at);
    std::sort(lines.begin(), lines.end());
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t j = i + 1;
        while (j < lines.size() && lines[j] <= lines[j - 1] + 1) ++j;
        SendMessageW(list_, LB_SELITEMRANGEEX, static_cast<WPARAM>(lines[i]), static_cast<LPARAM>(lines[j - 1]));
        i = j;
    }
    ListBox_SetTopIndex(list_, top);
    // The first line selected is the caret's, scrolled into view.
    if (!lines.empty()) ListBox_SetCaretIndex(list_, lines.front());
    ShowCount();
}

bool CScheduleManager::MoveListLine(int from, int to, const _ITEM_LIST* record) {
    HWND list = list_;
    const int top = ListBox_GetTopIndex(list);
    const bool selected = from >= 0 && ListBox_GetSel(list, from) > 0;
    const int caret = ListBox_GetCaretIndex(list);
    RedrawPause pause(list);
    // The lines below move up with their selection, and down again.
    if (from >= 0) {
        ListBox_DeleteString(list, from);
        if (static_cast<std::size_t>(from) < records_.size()) records_.erase(records_.begin() + from);
    }
    if (!InsertLine(to, record)) return false;
    ListBox_SetSel(list, selected ? TRUE : FALSE, to);
    // The caret stays on its line, wherever that now stands.
    int caret_to = caret;
    if (caret == from && from >= 0) {
        caret_to = to;
    } else if (caret >= 0) {
        caret_to -= from >= 0 && caret > from;
        caret_to += caret_to >= to;
    }
    ListBox_SetTopIndex(list, top);
    // The moved line, when it has the caret, is scrolled into view.
    if (caret >= 0 && (caret == from || caret_to != ListBox_GetCaretIndex(list)))
        ListBox_SetCaretIndex(list, caret_to);
    return true;
}

bool CScheduleManager::NoteMinute(std::int64_t clock_minute) {
    if (clock_minute == now_.minute) return false;
    now_ = ListClockAt(clock_minute);
    return true;
}

LineLook CScheduleManager::Look(int line, bool selected, bool high_contrast) const {
    LineLook look;
    look.title = GetListBoxLine(list_, line);
    const _ITEM_LIST* record = RecordOf(line);
    if (record != nullptr) {
        look.due = ToWide(DueText(record->planned_end, now_));
        look.state = LineStateAt(*record, now_);
    }
    look.bold = look.state.due_today;
    if (selected) {
        look.text = GetSysColor(COLOR_HIGHLIGHTTEXT);
        look.back = GetSysColor(COLOR_HIGHLIGHT);
        return look;
    }
    look.back = GetSysColor(COLOR_WINDOW);
    look.text = GetSysColor(COLOR_WINDOWTEXT);
    // Grey is the system's own colour for text that is done with; red is
    // not a system colour, so high contrast keeps a late line's text in the
    // window's (the bold of a line due today still tells it apart).
    if (look.state.finished) look.text = GetSysColor(COLOR_GRAYTEXT);
    else if (look.state.late && !high_contrast) look.text = kLateText;
    return look;
}

void FitItemListLineHeight(HWND list) {
    if (list == nullptr) return;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    // A little air above and below the text, at the window's scale.
    const int pad = MulDiv(2, static_cast<int>(WindowDpi(list)), USER_DEFAULT_SCREEN_DPI);
    const int height = std::max(1, static_cast<int>(metrics.tmHeight) + pad);
    if (ListBox_GetItemHeight(list, 0) != height) SendMessageW(list, LB_SETITEMHEIGHT, 0, height);
}

void CScheduleManager::DrawLine(const DRAWITEMSTRUCT& draw) {
    if (draw.itemID == static_cast<UINT>(-1)) {  // an empty list with the focus
        if (draw.itemState & ODS_FOCUS) DrawFocusRect(draw.hDC, &draw.rcItem);
        return;
    }
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    const bool high_contrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                               (contrast.dwFlags & HCF_HIGHCONTRASTON);
    const LineLook look = Look(static_cast<int>(draw.itemID), (draw.itemState & ODS_SELECTED) != 0, high_contrast);

    HDC dc = draw.hDC;
    RECT rect = draw.rcItem;
    SetBkColor(dc, look.back);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetTextColor(dc, look.text);
    SetBkMode(dc, TRANSPARENT);

    HFONT font = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
    if (look.bold && font != bold_from_) {
        if (bold_ != nullptr) DeleteObject(bold_);
        LOGFONTW face{};
        GetObjectW(font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT), sizeof face, &face);
        face.lfWeight = FW_BOLD;
        bold_ = CreateFontIndirectW(&face);
        bold_from_ = font;
    }
    HGDIOBJ old = SelectObject(dc, look.bold && bold_ != nullptr ? bold_ : font);
    const int pad = MulDiv(3, static_cast<int>(WindowDpi(list_)), USER_DEFAULT_SCREEN_DPI);
    InflateRect(&rect, -pad, 0);
    if (!look.due.empty()) {
        RECT due = rect;
        DrawTextW(dc, look.due.c_str(), static_cast<int>(look.due.size()), &due,
                  DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        SIZE size{};
        GetTextExtentPoint32W(dc, look.due.c_str(), static_cast<int>(look.due.size()), &size);
        rect.right = std::max(rect.left, rect.right - size.cx - 2 * pad);
    }
    DrawTextW(dc, look.title.c_str(), static_cast<int>(look.title.size()), &rect,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    if (draw.itemState & ODS_FOCUS) DrawFocusRect(dc, &draw.rcItem);
}
