#include "MainLayout.h"

#include <shlobj.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "DpiScale.h"
#include "File.h"
#include "ScheduleManager.h"
#include "WindowPlace.h"
#include "resource.h"

namespace {

enum Anchor { kGrowDown, kMoveDown, kGrowBoth };

struct Placed {
    int id;
    Anchor anchor;
    RECT rect;  // in the dialog's client area, at the DPI noted
};

struct Layout {
    HWND dialog = nullptr;
    UINT dpi = USER_DEFAULT_SCREEN_DPI;
    SIZE client{};  // the template's client size
    SIZE frame{};   // the window's size for that client
    std::vector<Placed> controls;
};
Layout g_layout;

constexpr struct {
    int id;
    Anchor anchor;
} kAnchors[] = {
    {IDC_LIST_GROUP, kGrowDown},       {IDC_ITEM_LIST, kGrowDown},       {IDC_COUNT, kMoveDown},
    {IDC_OPERATION_GROUP, kMoveDown},  {IDC_ADD_ITEM, kMoveDown},        {IDC_DELETE_ITEM, kMoveDown},
    {IDC_SCHEDULE_VIEW, kMoveDown},    {IDC_TEXT_OUT, kMoveDown},        {IDC_DETAIL_GROUP, kGrowBoth},
    {IDC_STATUS, kGrowBoth},
};

int Scaled(LONG value, UINT dpi) { return MulDiv(value, static_cast<int>(dpi), static_cast<int>(g_layout.dpi)); }

std::wstring g_place_path;

PlaceRect ToPlace(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const PlaceRect& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

void NoteMainLayout(HWND dialog) {
    g_layout = Layout{};
    g_layout.dialog = dialog;
    g_layout.dpi = WindowDpi(dialog);
    RECT client{}, window{};
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    g_layout.client = {client.right, client.bottom};
    g_layout.frame = {window.right - window.left, window.bottom - window.top};
    for (const auto& a : kAnchors) {
        HWND control = GetDlgItem(dialog, a.id);
        if (control == nullptr) continue;
        RECT r{};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        g_layout.controls.push_back({a.id, a.anchor, r});
    }
    FitItemListLineHeight(GetDlgItem(dialog, IDC_ITEM_LIST));
}

void LayOutMain(HWND dialog) {
    if (dialog != g_layout.dialog || IsIconic(dialog)) return;
    const UINT dpi = WindowDpi(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    const int dx = std::max(0, static_cast<int>(client.right) - Scaled(g_layout.client.cx, dpi));
    const int dy = std::max(0, static_cast<int>(client.bottom) - Scaled(g_layout.client.cy, dpi));
    HDWP moves = BeginDeferWindowPos(static_cast<int>(g_layout.controls.size()));
    for (const Placed& p : g_layout.controls) {
        HWND control = GetDlgItem(dialog, p.id);
        if (control == nullptr) continue;
        RECT r{Scaled(p.rect.left, dpi), Scaled(p.rect.top, dpi), Scaled(p.rect.right, dpi),
               Scaled(p.rect.bottom, dpi)};
        if (p.anchor == kMoveDown) OffsetRect(&r, 0, dy);
        if (p.anchor != kMoveDown) r.bottom += dy;
        if (p.anchor == kGrowBoth) r.right += dx;
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (moves != nullptr)
            moves = DeferWindowPos(moves, control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
        else
            SetWindowPos(control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
    }
    if (moves != nullptr) EndDeferWindowPos(moves);
    FitItemListLineHeight(GetDlgItem(dialog, IDC_ITEM_LIST));
    // The group boxes draw only their frames: what they left behind goes.
    InvalidateRect(dialog, nullptr, TRUE);
}

void LimitMainSize(HWND dialog, MINMAXINFO* info) {
    if (dialog != g_layout.dialog || g_layout.frame.cx == 0) return;
    const UINT dpi = WindowDpi(dialog);
    info->ptMinTrackSize.x = Scaled(g_layout.frame.cx, dpi);
    info->ptMinTrackSize.y = Scaled(g_layout.frame.cy, dpi);
}

std::wstring WindowPlacePath() {
    if (!g_place_path.empty()) return g_place_path;
    return UserDataPath(L"window.dat");
}

void SetWindowPlacePath(std::wstring path) { g_place_path = std::move(path); }

bool SaveWindowPlace(HWND window) {
    const std::wstring path = WindowPlacePath();
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (path.empty() || !GetWindowPlacement(window, &placement)) return false;
    WindowPlace place;
    place.normal = ToPlace(placement.rcNormalPosition);
    // A window minimized from maximized comes back maximized.
    place.maximized = placement.showCmd == SW_SHOWMAXIMIZED ||
                      (placement.showCmd == SW_SHOWMINIMIZED && (placement.flags & WPF_RESTORETOMAXIMIZED));
    const std::vector<std::uint8_t> bytes = EncodeWindowPlace(place);
    SHCreateDirectoryExW(nullptr, path.substr(0, path.find_last_of(L'\\')).c_str(), nullptr);
    return ReplaceFileContent(path, [&](const ByteSink& sink) { return sink(bytes); }) == ERROR_SUCCESS;
}

int RestoreWindowPlace(HWND window, int show) {
    const std::wstring path = WindowPlacePath();
    if (path.empty()) return show;
    FileHandle file(OpenForReading(path, FILE_SHARE_READ));
    if (!file.ok()) return show;
    const std::optional<std::vector<std::uint8_t>> bytes = ReadAll(file.get(), 4096);
    const std::optional<WindowPlace> place = bytes ? DecodeWindowPlace(*bytes) : std::nullopt;
    if (!place) return show;

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    // The placement's rectangle is in workspace coordinates, which stand
    // apart from the screen's by where the primary monitor's work area
    // starts (a taskbar at the top or left).
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    const LONG shift_x = primary.rcWork.left - primary.rcMonitor.left;
    const LONG shift_y = primary.rcWork.top - primary.rcMonitor.top;
    RECT rect = ToRect(place->normal);
    OffsetRect(&rect, shift_x, shift_y);
    // The monitor the place is on, or the primary one when none shows it.
    HMONITOR monitor = MonitorFromRect(&rect, MONITOR_DEFAULTTONULL);
    if (monitor == nullptr) monitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    PlaceRect normal = place->normal;
    if (GetMonitorInfoW(monitor, &info)) {
        MINMAXINFO least{};
        LimitMainSize(window, &least);
        normal = FitInto(ToPlace(rect), ToPlace(info.rcWork), least.ptMinTrackSize.x, least.ptMinTrackSize.y);
        normal = {normal.left - shift_x, normal.top - shift_y, normal.right - shift_x, normal.bottom - shift_y};
    }
    placement.rcNormalPosition = ToRect(normal);
    placement.flags = 0;
    const bool plain = show == SW_SHOWNORMAL || show == SW_SHOW || show == SW_SHOWDEFAULT;
    const int use = place->maximized && plain ? SW_SHOWMAXIMIZED : show;
    placement.showCmd = IsWindowVisible(window) ? static_cast<UINT>(use) : SW_HIDE;
    SetWindowPlacement(window, &placement);
    return use;
}
