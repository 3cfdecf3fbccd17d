#include "ActionEdit.h"

#include <array>
#include <utility>
#include <string>
#include <vector>

#include "Controls.h"
#include "DetailFields.h"
#include "FieldRules.h"
#include "RedrawPause.h"
#include "WideText.h"
#include "resource.h"

namespace {

// The date-time edits, row by row (planned start, planned end, actual start,
// actual end, alarm), each row year, month, day, hour, minute.
constexpr std::array<std::array<int, 5>, 5> kTimeEdits = {{
    {IDC_PLAN_START_YEAR, IDC_PLAN_START_MONTH, IDC_PLAN_START_DAY, IDC_PLAN_START_HOUR, IDC_PLAN_START_MINUTE},
    {IDC_PLAN_END_YEAR, IDC_PLAN_END_MONTH, IDC_PLAN_END_DAY, IDC_PLAN_END_HOUR, IDC_PLAN_END_MINUTE},
    {IDC_START_YEAR, IDC_START_MONTH, IDC_START_DAY, IDC_START_HOUR, IDC_START_MINUTE},
    {IDC_END_YEAR, IDC_END_MONTH, IDC_END_DAY, IDC_END_HOUR, IDC_END_MINUTE},
    {IDC_ALARM_YEAR, IDC_ALARM_MONTH, IDC_ALARM_DAY, IDC_ALARM_HOUR, IDC_ALARM_MINUTE},
}};

// The texts SetEdit must write: those of the controls that do not show them
// already. On a visible dialog every WM_SETTEXT costs a repaint, and most
// fields are equal from one item to the next.
using Pending = std::vector<std::pair<HWND, std::wstring>>;

void Show(HWND control, std::wstring text, Pending& pending) {
    if (GetWindowString(control) != text) pending.emplace_back(control, std::move(text));
}

void SetText(HWND control, const std::u16string& text, Pending& pending) { Show(control, ToWide(text), pending); }

void ShowNumber(HWND control, std::int32_t value, Pending& pending) {
    wchar_t text[16];
    wsprintfW(text, L"%d", static_cast<int>(value));
    Show(control, text, pending);
}

std::array<_TIMES*, 5> Rows(_EDIT_ITEM& item) {
    return {&item.planned_start, &item.planned_end, &item.actual_start, &item.actual_end, &item.alarm};
}

// The index of the entry whose text is exactly `kind`, or -1. The combo box's
// own exact search ignores case, so each hit is checked and the search goes
// on after it: showing "Work" for a kind "work" would change the item's kind
// at the next commit.
int FindKindEntry(HWND combo, const std::wstring& kind) {
    if (kind.empty()) return -1;
    const int first = ComboBox_FindStringExact(combo, -1, kind.c_str());
    if (first == CB_ERR) return -1;
    int hit = first;
    do {
        if (GetComboBoxEntry(combo, hit) == kind) return hit;
        hit = ComboBox_FindStringExact(combo, hit, kind.c_str());
    } while (hit != CB_ERR && hit > first);  // the search wraps to the top after the last entry
    return -1;
}

}  // namespace

void SelectKindEntry(HWND combo, const std::wstring& kind) {
    ComboBox_SetCurSel(combo, FindKindEntry(combo, kind));
}

void ShowKinds(HWND combo, const _KIND_LIST* kinds) {
    ComboBox_ResetContent(combo);
    int index = 0;
    for (const _KIND_LIST* kind = kinds; kind != nullptr; kind = kind->next.get(), ++index)
        ComboBox_InsertString(combo, index, WidePointer(kind->text));
}

int MyTsToI(const wchar_t* number_text, int* number_value) {
    const std::wstring_view text = number_text ? number_text : L"";
    std::int32_t value = number_value ? *number_value : 0;
    const int result = MyTsToI(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()), &value);
    if (number_value) *number_value = value;
    return result;
}

CActionEdit::CActionEdit(HWND dialog) : dialog_(dialog) {}

HWND CActionEdit::Control(int id) const { return GetDlgItem(dialog_, id); }

CActionEdit::~CActionEdit() { DeleteInstance(); }

void CActionEdit::InitInstance() {
    item_ = _EDIT_ITEM{};
}

void CActionEdit::DeleteInstance() {
    item_.title.clear();
    item_.action_kind.clear();
    item_.location.clear();
    item_.status.clear();
}

void CActionEdit::SetItem(const _ITEM_LIST* record) {
    DeleteInstance();
    shown_ = record;
    if (!record) return;
    item_ = static_cast<const _EDIT_ITEM&>(*record);
    SetEdit(&item_);
}

void CActionEdit::SetEdit(const _EDIT_ITEM* shown) {
    if (!shown) return;
    // A text a file brought longer than a field's limit raises the limit to
    // its length: showing it and taking it back keeps it whole.
    title_limit_ = FitFieldLimit(Control(IDC_TITLE), kTitleLimit, shown->title.size());
    FitFieldLimit(Control(IDC_LOCATION), kFreeTextLimit, shown->location.size());
    FitFieldLimit(Control(IDC_STATUS), kFreeTextLimit, shown->status.size());

    Pending pending;
    SetText(Control(IDC_TITLE), shown->title, pending);
    const std::array<const _TIMES*, 5> rows = {&shown->planned_start, &shown->planned_end, &shown->actual_start,
                                               &shown->actual_end, &shown->alarm};
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const _TIMES& t = *rows[r];
        const std::array<std::int32_t, 5> fields = {t.year, t.month, t.day, t.hour, t.minute};
        for (std::size_t f = 0; f < fields.size(); ++f) ShowNumber(Control(kTimeEdits[r][f]), fields[f], pending);
    }
    SetText(Control(IDC_LOCATION), shown->location, pending);
    SetText(Control(IDC_STATUS), shown->status, pending);
    HWND combo = Control(IDC_ACTION_KIND);
    const int entry = FindKindEntry(combo, ToWide(shown->action_kind));
    const bool kind_changes = ComboBox_GetCurSel(combo) != entry;
    if (pending.empty() && !kind_changes) return;

    // With many fields to write, the dialog draws nothing until every
    // control holds its new text; then only the controls that changed are
    // repainted. A field or two are written as they are: pausing the whole
    // dialog costs more than it saves then.
    constexpr std::size_t kWrittenAsTheyAre = 2;
    const bool many = pending.size() + (kind_changes ? 1 : 0) > kWrittenAsTheyAre;
    std::vector<HWND> changed;
    bool paused = false;
    {
        const RedrawPause pause(many ? dialog_ : nullptr, RedrawPause::kRepaintNothing);
        paused = pause.paused();
        for (const auto& [control, text] : pending) {
            SetWindowTextW(control, text.c_str());
            changed.push_back(control);
        }
        if (kind_changes) {
            ComboBox_SetCurSel(combo, entry);
            changed.push_back(combo);
        }
    }
    if (paused)
        for (HWND control : changed)
            RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void CActionEdit::UpdateItem() {
    // The numbers keep the values last shown: a refused text leaves them so.
    std::u16string kind = std::move(item_.action_kind);
    DeleteInstance();

    // The title is taken up to the field's limit (a text set past it, not
    // typed, is cut at a character boundary). A kind is taken as long as its
    // entry is: the kind list keeps kinds of any length (a file may bring
    // them), and a kind cut here would no longer match its entry.
    item_.title = WindowText(Control(IDC_TITLE), title_limit_);

    // The kind is the selected entry: the combo box is a list to pick from
    // (a typed letter picks the entry it starts), with no text of its own
    // that could be lost. No selection means the list lacks the
    // item's kind (a file brought it, or the kind editor removed it): the
    // item keeps it, since the user did not choose another.
    HWND combo = Control(IDC_ACTION_KIND);
    const int selected = ComboBox_GetCurSel(combo);
    if (selected != CB_ERR) kind = ComboBoxText(combo, selected);
    item_.action_kind = std::move(kind);

    const auto rows = Rows(item_);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::array<std::u16string, 5> texts;
        for (std::size_t f = 0; f < texts.size(); ++f) texts[f] = WindowText(Control(kTimeEdits[r][f]));
        const TimesTexts views = {texts[0], texts[1], texts[2], texts[3], texts[4]};
        *rows[r] = ReadTimesRow(*rows[r], views, /*planned_start_row=*/r == 0);
    }

    // Location and status are taken whole: cutting them here would lose what
    // the user typed (or what a file held) at the next commit.
    item_.location = WindowText(Control(IDC_LOCATION));
    item_.status = WindowText(Control(IDC_STATUS));
}

_EDIT_ITEM* CActionEdit::GetItem() { return &item_; }
