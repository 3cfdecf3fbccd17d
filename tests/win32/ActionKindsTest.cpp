// The kind editor: its working list, OK, cancel, and the keys.
#include <windows.h>

#include "HandDocument.h"
#include "Harness.h"
#include "WideText.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

namespace {

class ActionKindsTest : public MainDialogTest {
protected:
    // The document's kinds in the chain and the combo box, the shown kind
    // selected in the combo box (-1: none).
    void Kinds(const std::vector<std::u16string>& kinds, int shown) {
        OpenByHand({MakeItem(u"A")}, kinds);
        HWND combo = Item(IDC_ACTION_KIND);
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const auto& k : kinds) {
            const std::wstring w = ToWide(k);
            SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(w.c_str()));
        }
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(shown), 0);
    }
    int ComboSelection() const { return static_cast<int>(SendMessageW(Item(IDC_ACTION_KIND), CB_GETCURSEL, 0, 0)); }

    INT_PTR Edit(std::vector<std::function<void(HWND)>> steps) {
        return RunModal([&] { Command(IDC_EDIT_KINDS); return INT_PTR{-5}; }, std::move(steps));
    }
};

std::vector<std::wstring> DialogLines(HWND d) {
    std::vector<std::wstring> lines;
    HWND list = GetDlgItem(d, IDC_KIND_LIST);
    const int n = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) lines.push_back(GetListBoxLine(list, i));
    return lines;
}

void Type(HWND d, const wchar_t* text) { SetWindowTextW(GetDlgItem(d, IDC_KIND_TEXT), text); }
void Click(HWND d, int id) { SendMessageW(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, id))); }
void SelectLine(HWND d, int i) { SendMessageW(GetDlgItem(d, IDC_KIND_LIST), LB_SETCURSEL, static_cast<WPARAM>(i), 0); }

using LineList = std::vector<std::wstring>;

TEST_F(ActionKindsTest, AddAndDeleteOnTheWorkingList) {
    Kinds({u"Work", u"Home"}, 1);
    std::vector<LineList> seen;
    auto look = [&](HWND d) { seen.push_back(DialogLines(d)); };
    Edit({[&](HWND d) {
              look(d);                          // 0: loaded in chain order
              Type(d, L"Work"), Click(d, IDC_KIND_ADD), look(d);   // 1: same text twice: nothing
              Type(d, L"work"), Click(d, IDC_KIND_ADD), look(d);   // 2: other case: added at the end
              Click(d, IDC_KIND_ADD), look(d);                     // 3: the edit kept its text: nothing
              Type(d, L""), Click(d, IDC_KIND_ADD), look(d);       // 4: empty: nothing
              Click(d, IDC_KIND_DELETE), look(d);                  // 5: no selected line: nothing
              SelectLine(d, 0), Click(d, IDC_KIND_DELETE), look(d);  // 6: Work goes
              EXPECT_EQ(SendMessageW(GetDlgItem(d, IDC_KIND_LIST), LB_GETCURSEL, 0, 0), LB_ERR);
              EXPECT_EQ(KindChain(), (std::vector<std::u16string>{u"Work", u"Home"}));  // untouched until OK
              Click(d, IDC_KIND_OK);
          }});
    ASSERT_EQ(seen.size(), 7u);
    EXPECT_EQ(seen[0], (LineList{L"Work", L"Home"}));
    EXPECT_EQ(seen[1], (LineList{L"Work", L"Home"}));
    EXPECT_EQ(seen[2], (LineList{L"Work", L"Home", L"work"}));
    EXPECT_EQ(seen[3], seen[2]);
    EXPECT_EQ(seen[4], seen[2]);
    EXPECT_EQ(seen[5], seen[2]);
    EXPECT_EQ(seen[6], (LineList{L"Home", L"work"}));
    // OK: chain and combo box follow the list; the shown kind is selected again.
    EXPECT_EQ(KindChain(), (std::vector<std::u16string>{u"Home", u"work"}));
    EXPECT_EQ(ComboEntries(), (LineList{L"Home", L"work"}));
    EXPECT_EQ(ComboSelection(), 0);
    EXPECT_EQ(Text(IDC_ACTION_KIND), L"Home");
}

TEST_F(ActionKindsTest, OkAndCancelResults) {
    const struct {
        const char* name;
        std::vector<std::u16string> kinds;
        int shown;
        std::function<void(HWND)> edit;
        int end;  // command ending the dialog, or 0 for the close box
        INT_PTR result;
        std::vector<std::u16string> chain;
        int selection;
        std::wstring combo_text;
    } cases[] = {
        {"shown kind deleted", {u"Work", u"Home"}, 1, [](HWND d) { SelectLine(d, 1), Click(d, IDC_KIND_DELETE); },
         IDC_KIND_OK, 1, {u"Work"}, -1, L""},
        {"shown kind kept, new one last", {u"Work", u"Home"}, 0,
         [](HWND d) { Type(d, L"Aaa"), Click(d, IDC_KIND_ADD); }, IDC_KIND_OK, 1, {u"Work", u"Home", u"Aaa"}, 0,
         L"Work"},
        {"typed and not added, taken by OK", {u"Work", u"Home"}, 0, [](HWND d) { Type(d, L"Aaa"); }, IDC_KIND_OK,
         1, {u"Work", u"Home", u"Aaa"}, 0, L"Work"},
        {"reselected with its case", {u"work", u"Work"}, 1, [](HWND) {}, IDC_KIND_OK, 1, {u"work", u"Work"}, 1,
         L"Work"},
        {"empty list", {u"Work"}, 0, [](HWND d) { SelectLine(d, 0), Click(d, IDC_KIND_DELETE); }, IDC_KIND_OK, 1,
         {}, -1, L""},
        {"twice in the file, kept twice", {u"W", u"W"}, 1, [](HWND) {}, IDC_KIND_OK, 1, {u"W", u"W"}, 0, L"W"},
        {"cancel keeps everything", {u"Work", u"Home"}, 1,
         [](HWND d) { Type(d, L"X"), Click(d, IDC_KIND_ADD), SelectLine(d, 0), Click(d, IDC_KIND_DELETE); },
         IDC_KIND_CANCEL, 2, {u"Work", u"Home"}, 1, L"Home"},
        {"close box keeps everything", {u"Work"}, 0, [](HWND d) { SelectLine(d, 0), Click(d, IDC_KIND_DELETE); }, 0,
         0, {u"Work"}, 0, L"Work"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Kinds(c.kinds, c.shown);
        const INT_PTR result = RunModal(
            [&] { return App().OnEditKinds(); },
            {[&](HWND d) {
                c.edit(d);
                if (c.end) Click(d, c.end);
                else PostMessageW(d, WM_CLOSE, 0, 0);
            }});
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(KindChain(), c.chain);
        std::vector<std::wstring> entries;
        for (const auto& k : c.chain) entries.push_back(ToWide(k));
        EXPECT_EQ(ComboEntries(), entries);
        EXPECT_EQ(ComboSelection(), c.selection);
        EXPECT_EQ(Text(IDC_ACTION_KIND), c.combo_text);
        App().DeleteInstance();
    }
}

TEST_F(ActionKindsTest, EscapeStaysOpenEnterActsAsOk) {
    Kinds({u"Work"}, 0);
    bool open_after_escape = false;
    HWND focus_at_open = nullptr, add_edit = nullptr;
    const INT_PTR result = Edit({[&](HWND d) {
                                     focus_at_open = GetFocus(), add_edit = GetDlgItem(d, IDC_KIND_TEXT);
                                     PressKey(d, VK_ESCAPE);
                                 },
                                 [&](HWND d) {
                                     open_after_escape = IsWindowVisible(d);
                                     SelectLine(d, 0), Click(d, IDC_KIND_DELETE);
                                     Type(d, L"typed");
                                     SetFocus(GetDlgItem(d, IDC_KIND_TEXT));
                                     PressKey(d, VK_RETURN);
                                 }});
    (void)result;
    EXPECT_TRUE(open_after_escape);
    EXPECT_EQ(focus_at_open, add_edit);  // typing goes to the add edit at once
    // Enter took the list with the kind just typed, as OK does.
    EXPECT_EQ(KindChain(), (std::vector<std::u16string>{u"typed"}));
    EXPECT_EQ(ComboEntries(), (LineList{L"typed"}));
}

TEST_F(ActionKindsTest, OkAfterTheDocumentWentAwayChangesNothing) {
    Kinds({u"Work"}, 0);
    Edit({[](HWND d) {
        Type(d, L"New"), Click(d, IDC_KIND_ADD);
        App().DeleteInstance();
        Click(d, IDC_KIND_OK);
    }});
    EXPECT_EQ(DocumentProbe::Kinds(), nullptr);
    EXPECT_EQ(ComboEntries(), (LineList{L"Work"}));
}

}  // namespace
