// The main dialog as the program creates it, its About box, and the fatal
// error box.
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "HandDocument.h"
#include "Harness.h"
#include "MainLayout.h"
#include "Velquorandimestra.h"
#include "library.h"
#include "proc.h"
#include "resource.h"
#include "version.h"

namespace {

std::wstring ClassOf(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return name;
}

struct Expected {
    int id;
    const wchar_t* cls;
    DWORD must;      // style bits that must be set
    DWORD must_not;  // style bits that must be clear
};

constexpr DWORD kNumber = ES_NUMBER | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

// Interactive controls in tab order.
const Expected kControls[] = {
    {IDC_FIND, L"Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, ES_NUMBER | ES_MULTILINE},
    {IDC_FILTER, L"ComboBox", CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_TABSTOP, 0},
    {IDC_ITEM_LIST, L"ListBox",
     LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
         WS_VSCROLL | WS_BORDER | WS_TABSTOP,
     0},
    {IDC_ADD_ITEM, L"Button", WS_TABSTOP | WS_VISIBLE, BS_DEFPUSHBUTTON},
    {IDC_DELETE_ITEM, L"Button", WS_TABSTOP | WS_VISIBLE, BS_DEFPUSHBUTTON},
    {IDC_SCHEDULE_VIEW, L"Button", WS_TABSTOP, WS_VISIBLE},
    {IDC_TEXT_OUT, L"Button", WS_TABSTOP | WS_VISIBLE, BS_DEFPUSHBUTTON},
    {IDC_TITLE, L"Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, ES_NUMBER | ES_MULTILINE},
    {IDC_ACTION_KIND, L"ComboBox", CBS_DROPDOWNLIST | CBS_HASSTRINGS | CBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, 0},
    {IDC_EDIT_KINDS, L"Button", WS_TABSTOP | WS_VISIBLE, 0},
    {40050, L"Edit", kNumber, 0}, {40051, L"Edit", kNumber, 0}, {40053, L"Edit", kNumber, 0},
    {40054, L"Edit", kNumber, 0}, {40055, L"Edit", kNumber, 0},
    {40056, L"Edit", kNumber, 0}, {40057, L"Edit", kNumber, 0}, {40058, L"Edit", kNumber, 0},
    {40059, L"Edit", kNumber, 0}, {40060, L"Edit", kNumber, 0},
    {40061, L"Edit", kNumber, 0}, {40062, L"Edit", kNumber, 0}, {40063, L"Edit", kNumber, 0},
    {40064, L"Edit", kNumber, 0}, {40065, L"Edit", kNumber, 0},
    {40066, L"Edit", kNumber, 0}, {40067, L"Edit", kNumber, 0}, {40068, L"Edit", kNumber, 0},
    {40069, L"Edit", kNumber, 0}, {40070, L"Edit", kNumber, 0},
    {40072, L"Edit", kNumber, 0}, {40073, L"Edit", kNumber, 0}, {40074, L"Edit", kNumber, 0},
    {40075, L"Edit", kNumber, 0}, {40076, L"Edit", kNumber, 0},
    {IDC_LOCATION, L"Edit", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, ES_MULTILINE},
    {IDC_STATUS, L"Edit",
     ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL | WS_BORDER | WS_TABSTOP,
     0},
};

TEST_F(MainDialogTest, ControlMapInTemplateOrder) {
    // Children in template order, keeping only the tab stops.
    std::vector<HWND> stops;
    for (HWND w = GetWindow(main_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP) stops.push_back(w);
    ASSERT_EQ(stops.size(), std::size(kControls));
    for (std::size_t i = 0; i < stops.size(); ++i) {
        const Expected& e = kControls[i];
        SCOPED_TRACE(e.id);
        EXPECT_EQ(GetDlgCtrlID(stops[i]), e.id);
        EXPECT_EQ(ClassOf(stops[i]), e.cls);
        // The dialog manager turns a border into a sunken client edge, and a
        // scroll bar style shows only while the bar is needed: compare those
        // bits apart.
        const DWORD style = static_cast<DWORD>(GetWindowLongW(stops[i], GWL_STYLE));
        const DWORD ex = static_cast<DWORD>(GetWindowLongW(stops[i], GWL_EXSTYLE));
        const DWORD shown = WS_BORDER | WS_VSCROLL | WS_HSCROLL;
        EXPECT_EQ(style & e.must & ~shown, e.must & ~shown);
        EXPECT_EQ(style & e.must_not, 0u);
        if (e.must & WS_BORDER) {
            EXPECT_TRUE((style & WS_BORDER) || (ex & WS_EX_CLIENTEDGE));
        }
    }
    // Labels and group boxes are no tab stops; there are 3 + 9 + 25 of them,
    // and the find field's label and the count.
    int statics = 0;
    for (HWND w = GetWindow(main_, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (!(GetWindowLongW(w, GWL_STYLE) & WS_TABSTOP)) ++statics;
    EXPECT_EQ(statics, 39);
}

TEST_F(MainDialogTest, TabSkipsTheHiddenButton) {
    HWND w = GetNextDlgTabItem(main_, Item(IDC_DELETE_ITEM), FALSE);
    EXPECT_EQ(GetDlgCtrlID(w), IDC_TEXT_OUT);
    EXPECT_FALSE(IsWindowVisible(Item(IDC_SCHEDULE_VIEW)));
}

TEST_F(MainDialogTest, WindowGrowsWithMinimizeAndMaximizeBoxesAndMenu) {
    const DWORD style = static_cast<DWORD>(GetWindowLongW(main_, GWL_STYLE));
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_EQ(ClassOf(main_), L"Velquorandimestra_Top");
    EXPECT_EQ(Title(), L"Velquorandimestra");

    HMENU menu = GetMenu(main_);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(GetMenuItemID(menu, 2), static_cast<UINT>(IDM_ABOUT));
    HMENU file = GetSubMenu(menu, 0);
    const UINT ids[] = {IDM_FILE_NEW, IDM_FILE_OPEN, IDM_FILE_BACKUPS, IDM_FILE_SAVE, IDM_FILE_SAVEAS, 0, IDM_EXIT};
    ASSERT_EQ(GetMenuItemCount(file), static_cast<int>(std::size(ids)));
    for (int i = 0; i < static_cast<int>(std::size(ids)); ++i) EXPECT_EQ(GetMenuItemID(file, i), ids[i]) << i;
    wchar_t text[64];
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"ﾌｧｲﾙ(&F)");
    GetMenuStringW(file, IDM_EXIT, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)");
    GetMenuStringW(file, IDM_FILE_BACKUPS, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"以前の版を開く(&B)");
    GetMenuStringW(menu, 1, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"編集(&E)");
    HMENU edit = GetSubMenu(menu, 1);
    ASSERT_EQ(GetMenuItemCount(edit), 2);
    GetMenuStringW(edit, IDM_EDIT_UNDO, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"元に戻す(&U)\tCtrl+Z");
    GetMenuStringW(edit, IDM_EDIT_REDO, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"やり直し(&R)\tCtrl+Y");
}

RECT PlaceIn(HWND dialog, HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(MainDialogTest, ResizeGrowsTheListAndStatusAndKeepsTheOthersPlaces) {
    const int ids[] = {IDC_ITEM_LIST, IDC_STATUS, IDC_ADD_ITEM, IDC_TEXT_OUT, IDC_COUNT, IDC_FIND,
                       IDC_FILTER,    IDC_TITLE,  IDC_LOCATION, IDC_END_DAY};
    std::vector<RECT> before;
    for (int id : ids) before.push_back(PlaceIn(main_, Item(id)));
    RECT window{};
    GetWindowRect(main_, &window);
    const int width = window.right - window.left, height = window.bottom - window.top;
    // The template's size is the least the window can be made.
    MINMAXINFO limits{};
    SendMessageW(main_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, width);
    EXPECT_EQ(limits.ptMinTrackSize.y, height);

    SetWindowPos(main_, nullptr, 0, 0, width + 200, height + 150, SWP_NOMOVE | SWP_NOZORDER);
    const struct {
        int dx, dy, dw, dh;  // moved and grown by
    } expected[] = {
        {0, 0, 0, 150}, {0, 0, 200, 150}, {0, 150, 0, 0}, {0, 150, 0, 0}, {0, 150, 0, 0},
        {0, 0, 0, 0},   {0, 0, 0, 0},     {0, 0, 0, 0},   {0, 0, 0, 0},   {0, 0, 0, 0},
    };
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        SCOPED_TRACE(ids[i]);
        const RECT now = PlaceIn(main_, Item(ids[i]));
        EXPECT_EQ(now.left - before[i].left, expected[i].dx);
        EXPECT_EQ(now.top - before[i].top, expected[i].dy);
        EXPECT_EQ((now.right - now.left) - (before[i].right - before[i].left), expected[i].dw);
        EXPECT_EQ((now.bottom - now.top) - (before[i].bottom - before[i].top), expected[i].dh);
    }
    // Back to the template's size, everything is where it was.
    SetWindowPos(main_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    for (std::size_t i = 0; i < std::size(ids); ++i) {
        const RECT now = PlaceIn(main_, Item(ids[i]));
        EXPECT_TRUE(EqualRect(&before[i], &now)) << ids[i];
    }
}

TEST_F(MainDialogTest, RememberedPlaceComesBackOnScreen) {
    TempDir dir;
    const std::wstring path = dir.File(L"place\\window.dat");
    SetWindowPlacePath(path);
    RECT window{};
    GetWindowRect(main_, &window);
    const int width = window.right - window.left + 40, height = window.bottom - window.top + 30;
    SetWindowPos(main_, nullptr, 30, 40, width, height, SWP_NOZORDER);
    ASSERT_TRUE(SaveWindowPlace(main_));
    SetWindowPos(main_, nullptr, 200, 150, width - 40, height - 30, SWP_NOZORDER);

    auto normal = [&] {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(main_, &placement);
        return placement.rcNormalPosition;
    };
    EXPECT_EQ(RestoreWindowPlace(main_, SW_SHOWNORMAL), SW_SHOWNORMAL);
    RECT expected{30, 40, 30 + width, 40 + height};
    RECT got = normal();
    EXPECT_TRUE(EqualRect(&got, &expected)) << got.left << "," << got.top << " " << got.right << "," << got.bottom;

    // A place on a monitor that is gone comes back whole on the primary one.
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    const std::string gone = "Velquorandimestra window 1\r\n-9000 -8000 " + std::to_string(-9000 + width) + " " +
                            std::to_string(-8000 + height) + " 1\r\n";
    WriteBytes(path, std::vector<std::uint8_t>(gone.begin(), gone.end()));
    EXPECT_EQ(RestoreWindowPlace(main_, SW_SHOWNORMAL), SW_SHOWMAXIMIZED);
    got = normal();
    EXPECT_EQ(got.right - got.left, width);
    EXPECT_EQ(got.bottom - got.top, height);
    RECT inside{};
    EXPECT_TRUE(IntersectRect(&inside, &got, &primary.rcMonitor));
    EXPECT_TRUE(EqualRect(&inside, &got));
    EXPECT_TRUE(IsZoomed(main_));
    ShowWindow(main_, SW_RESTORE);

    // A broken record leaves the window where it is.
    WriteBytes(path, {'x'});
    SetWindowPos(main_, nullptr, 60, 70, width, height, SWP_NOZORDER);
    EXPECT_EQ(RestoreWindowPlace(main_, SW_SHOWNORMAL), SW_SHOWNORMAL);
    got = normal();
    EXPECT_EQ(got.left, 60);
    EXPECT_EQ(got.top, 70);
}

// The icon holds an image for each size Windows asks for at the common
// scales, and the window takes those of its monitor's DPI.
TEST_F(MainDialogTest, IconHasEverySizeAndFollowsTheMonitorsDpi) {
    HRSRC found = FindResourceW(g_hInst, MAKEINTRESOURCEW(IDI_APP), RT_GROUP_ICON);
    const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(g_hInst, found)));
    std::vector<int> sizes;  // GRPICONDIR: 6 bytes, then 14 per image, its width first
    for (WORD i = 0; i < *reinterpret_cast<const WORD*>(group + 4); ++i) {
        const BYTE width = group[6 + 14 * i];
        sizes.push_back(width == 0 ? 256 : width);
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256}));
    for (UINT dpi : {96u, 144u, 192u}) {
        RECT suggested{0, 0, 800, 600};
        SendMessageW(main_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        for (auto [which, at_96] : {std::pair{ICON_SMALL, 16}, std::pair{ICON_BIG, 32}}) {
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageW(main_, WM_GETICON, which, 0)), &info));
            BITMAP bitmap{};
            GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            EXPECT_EQ(bitmap.bmWidth, MulDiv(at_96, static_cast<int>(dpi), 96)) << dpi;
        }
    }
}

// The shortcut table, as the message loop applies it before the dialog's
// own keys: each key sends its command as a shortcut (code 1), and none
// takes a key the edit controls use.
std::vector<WPARAM>* g_sent = nullptr;
LRESULT CALLBACK RecordCommands(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) g_sent->push_back(wParam);
    return 0;
}

TEST_F(MainDialogTest, ShortcutsSendTheirCommands) {
    HACCEL shortcuts = LoadAcceleratorsW(g_hInst, MAKEINTRESOURCEW(IDR_SHORTCUTS));
    ASSERT_NE(shortcuts, nullptr);
    const struct {
        WORD key;
        bool control, shift;
        int command;  // 0: the key is left to the control
    } cases[] = {
        {'N', true, false, IDM_FILE_NEW},    {'O', true, false, IDM_FILE_OPEN},
        {'S', true, false, IDM_FILE_SAVE},   {'S', true, true, IDM_FILE_SAVEAS},
        {VK_F12, false, false, IDM_FILE_SAVEAS}, {'P', true, false, IDC_TEXT_OUT},
        {'S', false, false, 0},              {'C', true, false, 0},
        {'V', true, false, 0},               {'X', true, false, 0},
        {'Z', true, false, IDM_EDIT_UNDO},   {'A', true, false, 0},
        {'Y', true, false, IDM_EDIT_REDO},   {'Z', true, true, IDM_EDIT_REDO},
        {VK_INSERT, true, false, 0},         {VK_INSERT, false, true, 0},
        {VK_DELETE, false, true, 0},         {VK_DELETE, false, false, 0},
    };
    std::vector<WPARAM> sent;
    g_sent = &sent;
    const LONG_PTR dialog_proc = SetWindowLongPtrW(main_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordCommands));
    // As with a step to undo and one to redo: a greyed item takes its key
    // and sends nothing.
    EnableMenuItem(GetMenu(main_), IDM_EDIT_UNDO, MF_BYCOMMAND | MF_ENABLED);
    EnableMenuItem(GetMenu(main_), IDM_EDIT_REDO, MF_BYCOMMAND | MF_ENABLED);
    BYTE saved[256];
    GetKeyboardState(saved);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        BYTE keys[256] = {};
        if (c.control) keys[VK_CONTROL] = 0x80;
        if (c.shift) keys[VK_SHIFT] = 0x80;
        SetKeyboardState(keys);
        sent.clear();
        MSG key{};
        key.hwnd = Item(IDC_LOCATION);
        key.message = WM_KEYDOWN;
        key.wParam = c.key;
        key.lParam = 1;
        const bool taken = TranslateShortcut(main_, shortcuts, &key);
        EXPECT_EQ(taken, c.command != 0);
        EXPECT_EQ(sent, c.command ? std::vector<WPARAM>{MAKEWPARAM(c.command, 1)} : std::vector<WPARAM>{});
    }
    SetKeyboardState(saved);
    SetWindowLongPtrW(main_, GWLP_WNDPROC, dialog_proc);
}

INT_PTR OpenAbout() {
    return DialogBoxParamW(g_hInst, MAKEINTRESOURCEW(IDD_ABOUT), g_hWnd, AboutDlgProc, 0);
}

TEST_F(MainDialogTest, AboutBoxResults) {
    // OK button and Enter give 1; the close box gives 0; Escape leaves it open.
    EXPECT_EQ(RunModal(OpenAbout, {[](HWND d) { SendMessageW(d, WM_COMMAND, IDOK, 0); }}), 1);
    EXPECT_EQ(RunModal(OpenAbout, {[](HWND d) { PressKey(d, VK_RETURN); }}), 1);
    EXPECT_EQ(RunModal(OpenAbout, {[](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }}), 0);
    bool open_after_escape = false;
    EXPECT_EQ(RunModal(OpenAbout,
                       {[](HWND d) { PressKey(d, VK_ESCAPE); },
                        [&](HWND d) {
                            open_after_escape = IsWindowVisible(d);
                            PostMessageW(d, WM_CLOSE, 0, 0);
                        }}),
              0);
    EXPECT_TRUE(open_after_escape);
}

TEST_F(MainDialogTest, AboutCommandOpensVersionBox) {
    std::wstring caption, version;
    RunModal([&] { Command(IDM_ABOUT); return INT_PTR{0}; },
             {[&](HWND d) {
                 wchar_t text[128];
                 GetWindowTextW(d, text, 128);
                 caption = text;
                 for (HWND w = GetWindow(d, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
                     GetWindowTextW(w, text, 128);
                     if (wcsstr(text, L"Version")) version = text;
                 }
                 SendMessageW(d, WM_COMMAND, IDOK, 0);
             }});
    EXPECT_EQ(caption, L"Velquorandimestra のﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(version, L"" VQ_ABOUT_TEXT);
}

TEST_F(MainDialogTest, CriticalErrorShowsCodeThenCloses) {
    BoxScript boxes;
    boxes.Answer(IDOK);
    MyCriticalError(0x20000, 1);
    ASSERT_EQ(boxes.asked().size(), 1u);  // no document: no save question
    EXPECT_EQ(boxes.asked()[0].text, L"エラーコード：0x00020001");
    EXPECT_EQ(boxes.asked()[0].caption, L"ERROR");
    EXPECT_EQ(boxes.asked()[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes.asked()[0].owner, nullptr);
    // The close sequence ran: the quit message is posted.
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(MainDialogTest, TextOutputAndKindEditorNeedADocument) {
    BoxScript boxes;  // any box or dialog would be a failure
    Command(IDC_TEXT_OUT);
    Command(IDC_EDIT_KINDS);
    Command(IDC_SCHEDULE_VIEW);
    EXPECT_TRUE(boxes.asked().empty());
    EXPECT_EQ(FindWindowExW(nullptr, nullptr, L"#32770", L"テキスト出力"), nullptr);
}

// Runs the pending messages as the program's loop does, the dialog manager
// first; true when the close sequence posted the quit message.
bool RunAsTheLoop(HWND main) {
    bool quit = false;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) quit = true;
        else if (!IsDialogMessageW(main, &m)) TranslateMessage(&m), DispatchMessageW(&m);
    }
    return quit;
}

TEST_F(MainDialogTest, EscapeInAFieldClosesNothing) {
    for (const bool open : {false, true}) {
        for (const int id : {IDC_TITLE, IDC_ACTION_KIND, IDC_PLAN_START_YEAR, IDC_ALARM_MINUTE, IDC_LOCATION,
                             IDC_STATUS}) {
            SCOPED_TRACE(testing::Message() << "control " << id << (open ? " with" : " without") << " a document");
            if (open) OpenWithControls({MakeItem(u"A")});
            BoxScript boxes;  // the save question would fail the test
            SetFocus(Item(id));
            PressKey(main_, VK_ESCAPE);
            EXPECT_FALSE(RunAsTheLoop(main_));
            EXPECT_EQ(App().state, open ? STATE_OPEN : STATE_NONE);
            EXPECT_EQ(GetFocus(), Item(id));
            App().DeleteInstance();
        }
    }
}

TEST_F(MainDialogTest, ExitWithoutDocumentEndsWithoutQuestion) {
    BoxScript boxes;
    Command(IDM_EXIT);
    EXPECT_TRUE(boxes.asked().empty());
    MSG m;
    EXPECT_TRUE(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    EXPECT_EQ(App().state, STATE_NONE);
}

}  // namespace
