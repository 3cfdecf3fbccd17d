#include "proc.h"

#include "Controls.h"
#include "DetailFields.h"
#include "DpiScale.h"
#include "MainLayout.h"
#include "Velquorandimestra.h"
#include "library.h"
#include "resource.h"

namespace {

// Whether the program may end: a save that was cancelled or failed keeps the
// program and the document open, as Cancel does (answering Yes must never
// lose it); a question that could not be shown does not hold the end.
bool MayLetDocumentGo(CVelquorandimestra& app) { return app.MayMakeWay() != CVelquorandimestra::MakeWay::kStay; }

void EndMainWindow(CVelquorandimestra& app, HWND window) {
    SaveWindowPlace(window);
    app.DeleteInstance();
    KillTimer(window, IDT_ALARM);
    SendMessageW(window, WM_DESTROY, 0, 0);
}

// The close sequence: WM_CLOSE from the close box, the exit command and
// MyCriticalError.
void CloseMainWindow(CVelquorandimestra& app, HWND window) {
    if (MayLetDocumentGo(app)) EndMainWindow(app, window);
}

// Every id that WM_COMMAND routes, and what it runs. A row marked `command`
// is a menu item or a button: it first takes the field being typed in, as
// leaving it would (a menu item or a shortcut leaves the focus where it is),
// and it waits while an alarm box is up. The exit command is not one: it
// runs the close sequence, which takes the field itself.
struct CommandRow {
    WORD id;
    bool command;
    void (*run)(CVelquorandimestra& app, HWND window);
};

constexpr CommandRow kCommands[] = {
    {IDM_EXIT, false, [](CVelquorandimestra&, HWND window) { SendMessageW(window, WM_CLOSE, 0, 0); }},
    {IDM_ABOUT, true,
     [](CVelquorandimestra&, HWND window) {
         DialogBoxParamW(g_hInst, MAKEINTRESOURCEW(IDD_ABOUT), window, AboutDlgProc, 0);
     }},
    {IDM_FILE_NEW, true, [](CVelquorandimestra& app, HWND) { app.OnFileNew(); }},
    {IDM_FILE_OPEN, true, [](CVelquorandimestra& app, HWND) { app.OnFileOpen(); }},
    {IDM_FILE_BACKUPS, true, [](CVelquorandimestra& app, HWND) { app.OnOpenEarlierVersion(); }},
    {IDM_FILE_SAVE, true, [](CVelquorandimestra& app, HWND) { app.OnSaveFile(); }},
    {IDM_FILE_SAVEAS, true, [](CVelquorandimestra& app, HWND) { app.OnSaveFileNew(); }},
    {IDM_EDIT_UNDO, true, [](CVelquorandimestra& app, HWND) { app.OnUndo(); }},
    {IDM_EDIT_REDO, true, [](CVelquorandimestra& app, HWND) { app.OnRedo(); }},
    {IDC_ADD_ITEM, true, [](CVelquorandimestra& app, HWND) { app.OnAddItem(); }},
    {IDC_DELETE_ITEM, true, [](CVelquorandimestra& app, HWND) { app.OnDeleteItem(); }},
    {IDC_TEXT_OUT, true,
     [](CVelquorandimestra& app, HWND) {
         if (app.CheckStatus() == 0) app.OnTextOut();
     }},
    {IDC_EDIT_KINDS, true,
     [](CVelquorandimestra& app, HWND) {
         if (app.CheckStatus() == 0) app.OnEditKinds();
     }},
    {IDM_FIND, false, [](CVelquorandimestra& app, HWND) { app.OnFind(); }},
    // Escape: in the find field it clears the find; anywhere else it does
    // nothing.
    {IDCANCEL, false,
     [](CVelquorandimestra&, HWND window) {
         if (HWND find = GetDlgItem(window, IDC_FIND); find != nullptr && GetFocus() == find)
             SetWindowTextW(find, L"");
     }},
};

const CommandRow* FindCommand(WORD id) {
    for (const CommandRow& row : kCommands)
        if (row.id == id) return &row;
    return nullptr;
}

bool IsCommand(WORD id) {
    const CommandRow* row = FindCommand(id);
    return row != nullptr && row->command;
}

// Stage 1: by command identifier.
void RouteCommand(CVelquorandimestra& app, HWND window, WORD id) {
    if (const CommandRow* row = FindCommand(id)) row->run(app, window);
}

// Stage 2: by notification code, for every WM_COMMAND.
void RouteNotification(CVelquorandimestra& app, HWND window, WORD id, WORD code, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    switch (code) {
        case EN_SETFOCUS:
            app.OnEnSetFocus(control);
            break;
        case EN_KILLFOCUS:
            app.OnEnKillFocus(control);
            break;
        case EN_CHANGE:
            if (id == IDC_FIND) app.OnFindChange();
            break;
        case LBN_SELCHANGE:  // also CBN_SELCHANGE (the same code) from the combo boxes
            if (id == IDC_FILTER)
                app.OnFindChange();
            else if (id == IDC_ACTION_KIND)
                app.OnEnKillFocus(GetDlgItem(window, IDC_ACTION_KIND));
            else
                app.OnLbnSelChange(GetDlgItem(window, id));
            break;
        default:
            break;
    }
}

}  // namespace

namespace {

bool FieldKeepsKey(HWND window, const MSG& message) {
    if (message.message != WM_KEYDOWN || message.wParam != 'Z' || GetKeyState(VK_CONTROL) >= 0 ||
        GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    HWND focus = GetFocus();
    wchar_t name[8] = {};
    if (focus == nullptr || window == nullptr || !IsChild(window, focus) || !GetClassNameW(focus, name, 8) ||
        CompareStringOrdinal(name, -1, L"Edit", -1, TRUE) != CSTR_EQUAL)
        return false;
    return SendMessageW(focus, EM_GETMODIFY, 0, 0) != 0;
}

}  // namespace

bool TranslateShortcut(HWND window, HACCEL shortcuts, MSG* message) {
    return shortcuts != nullptr && !FieldKeepsKey(window, *message) && TranslateAcceleratorW(window, shortcuts, message) != 0;
}

void UpdateEditMenu(HWND window) {
    HMENU menu = GetMenu(window);
    const CVelquorandimestra* app = MainWindowManager(window);
    if (menu == nullptr || app == nullptr) return;
    EnableMenuItem(menu, IDM_EDIT_UNDO, MF_BYCOMMAND | (app->CanUndo() ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(menu, IDM_EDIT_REDO, MF_BYCOMMAND | (app->CanRedo() ? MF_ENABLED : MF_GRAYED));
}

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSW wc{};
    wc.style = 0;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = L"Velquorandimestra_Top";
    return RegisterClassW(&wc) != 0;
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefDlgProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The manager comes with the main dialog's creation (its lParam) and
    // stays in GWLP_USERDATA; the few messages before WM_INITDIALOG only
    // size the window.
    if (message == WM_INITDIALOG) SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    switch (message) {
        case WM_SIZE:
            LayOutMain(window);
            return FALSE;
        case WM_GETMINMAXINFO:
            LimitMainSize(window, reinterpret_cast<MINMAXINFO*>(lParam));
            return FALSE;
        case WM_DPICHANGED:  // the dialog manager moves and scales the rest
            ShowIconsForDpi(window, HIWORD(wParam));
            return FALSE;
        default:
            break;
    }
    CVelquorandimestra* manager = MainWindowManager(window);
    if (manager == nullptr) return FALSE;
    CVelquorandimestra& app = *manager;
    switch (message) {
        case WM_INITDIALOG:
            SetTimer(window, IDT_ALARM, 1000, nullptr);
            WatchItemListClicks(GetDlgItem(window, IDC_ITEM_LIST));
            PrepareDetailFields(window);
            PrepareListFilter(GetDlgItem(window, IDC_FILTER));
            NoteMainLayout(window);
            break;
        case WM_COMMAND:
            // No command runs under an alarm box: it is the user's answer to
            // the box that comes first. The controls' notifications still do
            // (the field the box took the focus from is committed).
            if (app.alarms_on_screen > 0 && (IsCommand(LOWORD(wParam)) || LOWORD(wParam) == IDM_EXIT) &&
                HIWORD(wParam) <= 1)
                break;
            // Menu items (0), shortcuts (1) and buttons (BN_CLICKED, 0).
            if (IsCommand(LOWORD(wParam)) && HIWORD(wParam) <= 1) app.TakeTypedField();
            RouteCommand(app, window, LOWORD(wParam));
            // Only controls notify; a shortcut's code 1 is LBN_SELCHANGE's.
            if (lParam != 0) RouteNotification(app, window, LOWORD(wParam), HIWORD(wParam), lParam);
            break;
        case WM_INITMENUPOPUP:
            UpdateEditMenu(window);
            break;
        case WM_TIMER:
            app.OnTimer();
            app.OnListMinute();
            break;
        case WM_DRAWITEM:
            if (wParam == IDC_ITEM_LIST) {
                const auto& draw = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
                if (app.schedule)
                    app.schedule->DrawLine(draw);
                else if (draw.itemState & ODS_FOCUS)
                    DrawFocusRect(draw.hDC, &draw.rcItem);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            if (app.alarms_on_screen == 0) CloseMainWindow(app, window);
            break;
        case WM_DROPFILES:  // the template accepts files (WS_EX_ACCEPTFILES)
            // Under an alarm box a drop is no command either.
            if (app.alarms_on_screen == 0)
                app.OnDropFiles(reinterpret_cast<HDROP>(wParam));
            else
                DragFinish(reinterpret_cast<HDROP>(wParam));
            break;
        case WM_QUERYENDSESSION:
            // Log-off or shutdown asks as the close box does; Cancel refuses
            // the end of the session. The document stays until it ends.
            if (!MayLetDocumentGo(app)) {
                SetWindowLongPtrW(window, DWLP_MSGRESULT, FALSE);
                return TRUE;
            }
            break;
        case WM_ENDSESSION:
            if (wParam) EndMainWindow(app, window);
            break;
        default:
            break;
    }
    return FALSE;
}

INT_PTR CALLBACK AboutDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    return CloseableBoxProc(window, message, wParam, IDOK);
}
