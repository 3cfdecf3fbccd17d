// The text output window: the report of the selected lines as the window
// shows it, and how the window closes.
#include <windows.h>

#include <algorithm>

#include "HandDocument.h"
#include "Harness.h"
#include "Report.h"
#include "TextOutDlg.h"
#include "WideText.h"
#include "library.h"
#include "proc.h"
#include "resource.h"

namespace {

void SetClipboardText(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"(clipboard busy)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class TextOutTest : public MainDialogTest {
protected:
    // Lines as the schedule list would put them, then the given selection.
    void ShowLines(const std::vector<std::wstring>& lines, const std::vector<int>& selected) {
        // Without redrawing, and with whole ranges selected at once: line by
        // line, a list box under Wine takes milliseconds per message.
        HWND list = Item(IDC_ITEM_LIST);
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SendMessageW(list, LB_RESETCONTENT, 0, 0);
        for (const auto& line : lines)
            SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(line.c_str()));
        for (std::size_t i = 0; i < selected.size();) {
            std::size_t j = i;
            while (j + 1 < selected.size() && selected[j + 1] == selected[j] + 1) ++j;
            SendMessageW(list, LB_SELITEMRANGEEX, static_cast<WPARAM>(selected[i]), selected[j]);
            i = j + 1;
        }
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    }
    // Lets a long report arrive whole.
    static void WaitForReport(HWND dialog) {
        const DWORD deadline = GetTickCount() + 60000;
        while (ReportArriving(dialog) && GetTickCount() < deadline) {
            Pump();
            Sleep(1);
        }
        EXPECT_FALSE(ReportArriving(dialog)) << "the report did not arrive within a minute";
    }
    // Opens the window with the button, reads its text, closes it.
    std::wstring Report() {
        std::wstring text;
        const INT_PTR result = RunModal([&] { Command(IDC_TEXT_OUT); return INT_PTR{1}; },
                                        {[&](HWND d) {
                                            WaitForReport(d);
                                            text = GetWindowString(GetDlgItem(d, IDC_TEXTOUT_EDIT));
                                            SendMessageW(d, WM_COMMAND, IDC_TEXTOUT_CLOSE, 0);
                                        }});
        EXPECT_EQ(result, 1);
        return text;
    }
};

TEST_F(TextOutTest, ReportOfTheSelectedLines) {
    const _TIMES mar5{2024, 3, 5, 9, 0}, mar10{2024, 3, 10, 18, 0};
    _EDIT_ITEM actual_only = MakeItem(u"Actual", {2024, 0, 1, 1, 1}, {0, 1, 1, 1, 1});
    actual_only.actual_end = {2024, 4, 1, 0, 0};
    OpenByHand({MakeItem(u"Plan", mar5, mar10, u"abc"), MakeItem(u"Half", mar5, {2024, 3, 0, 18, 0}), actual_only,
                MakeItem(u"Empty", {}, {})});
    const struct {
        const char* name;
        std::vector<int> selected;
        std::wstring expected;
    } cases[] = {
        {"nothing selected", {}, L""},
        {"the worked example", {0}, L"◆Plan (計画：2024/ 3/ 5 - 2024/ 3/10)\r\nabc\r\n\r\n"},
        {"day 0 gives the start-only form", {1}, L"◆Half (計画：2024/ 3/ 5 - )\r\n\r\n\r\n"},
        {"only the actual completion", {2}, L"◆Actual (実績： - 2024/ 4/ 1)\r\n\r\n\r\n"},
        {"lines 0 and 2 of three", {0, 2},
         L"◆Plan (計画：2024/ 3/ 5 - 2024/ 3/10)\r\nabc\r\n\r\n◆Actual (実績： - 2024/ 4/ 1)\r\n\r\n\r\n"},
        {"a line matching no record is left out", {3, 4}, L"◆Empty\r\n\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShowLines({L"Plan", L"Half", L"Actual", L"Empty", L"Ghost"}, c.selected);
        EXPECT_EQ(Report(), c.expected);
    }
}

TEST_F(TextOutTest, LongTitlesAreMatchedWholeAndShownCut) {
    // Two titles equal in their first 2047 units: the line picks the right one.
    const std::u16string base(2100, u'x');
    OpenByHand({MakeItem(base + u"A", {}, {}, u"first"), MakeItem(base + u"B", {}, {}, u"second")});
    ShowLines({ToWide(base + u"A"), ToWide(base + u"B")}, {1});
    EXPECT_EQ(Report(), L"◆" + std::wstring(1022, L'x') + L"\r\nsecond\r\n\r\n");
}

TEST_F(TextOutTest, LargeReportIsShownWhole) {
    // More than an edit control holds by default.
    std::vector<_EDIT_ITEM> items;
    std::vector<std::wstring> lines;
    std::vector<int> selected;
    for (int i = 0; i < 2000; ++i) {
        items.push_back(MakeItem(u"Item" + ToU16(std::to_wstring(i)), {}, {}, std::u16string(20, u's')));
        lines.push_back(L"Item" + std::to_wstring(i));
        selected.push_back(i);
    }
    OpenByHand(items);
    ShowLines(lines, selected);
    const std::wstring report = Report();
    EXPECT_GT(report.size(), 32767u);
    EXPECT_EQ(report.substr(report.size() - 35), L"◆Item1999\r\nssssssssssssssssssss\r\n\r\n");
}

// A report of several parts: the window is up before the whole text is in;
// the rest arrives on its own, exactly the report, while the selection and
// the scroll position the user chose stay where they were. Closed while it
// arrives, the window takes the rest with it.
TEST_F(TextOutTest, LongReportArrivesWholeWithoutMovingTheView) {
    std::vector<_EDIT_ITEM> items;
    std::vector<std::wstring> lines;
    std::vector<int> selected;
    for (int i = 0; i < 3000; ++i) {
        items.push_back(MakeItem(u"項目" + ToU16(std::to_wstring(i)), {2024, 1, 1, 9, 0}, {2024, 1, 2, 9, 0},
                                 u"状況 " + std::u16string(40, u's') + u"\r\n続き"));
        lines.push_back(L"項目" + std::to_wstring(i));
        selected.push_back(i);
    }
    OpenByHand(items);
    ShowLines(lines, selected);
    std::vector<std::u16string> selected_lines;
    for (const auto& line : lines) selected_lines.push_back(ToU16(line));
    const std::wstring expected = ToWide(BuildReport(DocumentProbe::Items(), selected_lines));
    ASSERT_GT(expected.size(), 3u * 64 * 1024);

    bool arriving_at_first = false;
    std::wstring text;
    DWORD sel_start = 0, sel_end = 0;
    LRESULT top = -1;
    // While parts arrive, the caption says so and a copy takes nothing; once
    // the report is whole, the caption is the window's own and copies work.
    std::wstring caption_arriving, caption_whole, copied_arriving, copied_whole;
    RunModal([&] { Command(IDC_TEXT_OUT); return INT_PTR{1}; },
             {[&](HWND d) {
                  HWND edit = GetDlgItem(d, IDC_TEXTOUT_EDIT);
                  arriving_at_first = ReportArriving(d);
                  SendMessageW(edit, EM_SETSEL, 5, 12);
                  SendMessageW(edit, EM_LINESCROLL, 0, 7);
                  caption_arriving = GetWindowString(d);
                  SetClipboardText(L"before");
                  SendMessageW(edit, WM_COPY, 0, 0);
                  copied_arriving = ClipboardText();
              },
              [&](HWND d) {
                  WaitForReport(d);
                  HWND edit = GetDlgItem(d, IDC_TEXTOUT_EDIT);
                  caption_whole = GetWindowString(d);
                  SendMessageW(edit, WM_COPY, 0, 0);
                  copied_whole = ClipboardText();
                  text = GetWindowString(edit);
                  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&sel_start), reinterpret_cast<LPARAM>(&sel_end));
                  top = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
                  SendMessageW(d, WM_COMMAND, IDC_TEXTOUT_CLOSE, 0);
              }});
    EXPECT_TRUE(arriving_at_first);
    EXPECT_NE(caption_arriving, L"テキスト出力");
    EXPECT_EQ(caption_arriving.rfind(L"テキスト出力", 0), 0u) << testing::PrintToString(caption_arriving);
    EXPECT_EQ(copied_arriving, L"before");
    EXPECT_EQ(caption_whole, L"テキスト出力");
    EXPECT_EQ(copied_whole, expected.substr(5, 7));
    EXPECT_TRUE(text == expected) << "report of " << text.size() << " units, expected " << expected.size();
    EXPECT_EQ(sel_start, 5u);
    EXPECT_EQ(sel_end, 12u);
    EXPECT_EQ(top, 7);

    HWND closed = nullptr;
    RunModal([&] { Command(IDC_TEXT_OUT); return INT_PTR{1}; },
             {[&](HWND d) {
                 closed = d;
                 EXPECT_TRUE(ReportArriving(d));
                 PostMessageW(d, WM_CLOSE, 0, 0);
             }});
    EXPECT_FALSE(IsWindow(closed));
    EXPECT_FALSE(ReportArriving(closed));
}

TEST_F(TextOutTest, CloseBoxGivesZeroAndEscapeDoesNothing) {
    OpenByHand({MakeItem(u"A")});
    bool open_after_escape = false, open_after_escape_in_text = false;
    const INT_PTR result = RunModal(
        [&] { return ShowReport(main_, u""); },  // nothing selected: an empty report
        {[](HWND d) { PressKey(d, VK_ESCAPE); },
         [&](HWND d) {
             open_after_escape = IsWindowVisible(d);
             SetFocus(GetDlgItem(d, IDC_TEXTOUT_EDIT));  // a multi-line edit sends WM_CLOSE on Escape
             PressKey(d, VK_ESCAPE);
         },
         [&](HWND d) {
             open_after_escape_in_text = IsWindowVisible(d);
             PostMessageW(d, WM_CLOSE, 0, 0);
         }});
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(open_after_escape);
    EXPECT_TRUE(open_after_escape_in_text);
}

}  // namespace

namespace {

TEST_F(TextOutTest, ReportOfANarrowedListHasOnlyItsSelectedShownLines) {
    OpenWithControls({MakeItem(u"Plan", {}, {2024, 3, 5, 9, 0}, u"call"), MakeItem(u"Hidden", {}, {2024, 3, 6, 9, 0}),
                      MakeItem(u"Also", {}, {2024, 3, 7, 9, 0}, u"CALL back")});
    SetText(IDC_FIND, L"call");
    ASSERT_EQ(Lines(), (std::vector<std::wstring>{L"Plan", L"Also"}));
    SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, -1);
    // Every line of the list box is selected, the hidden one is not among them.
    const std::wstring report = Report();
    EXPECT_NE(report.find(L"◆Plan"), std::wstring::npos);
    EXPECT_NE(report.find(L"◆Also"), std::wstring::npos);
    EXPECT_EQ(report.find(L"Hidden"), std::wstring::npos);
}

}  // namespace
