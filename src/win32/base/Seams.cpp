#include "Seams.h"

namespace {

MessageBoxHook g_message_box;
FileDialogHook g_open_dialog;
FileDialogHook g_save_dialog;

}  // namespace

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags) {
    if (g_message_box) return g_message_box(owner, text, caption, flags);
    return MessageBoxW(owner, text, caption, flags);
}

BOOL ShowOpenFileDialog(OPENFILENAMEW* dialog) {
    if (g_open_dialog) return g_open_dialog(dialog);
    return GetOpenFileNameW(dialog);
}

BOOL ShowSaveFileDialog(OPENFILENAMEW* dialog) {
    if (g_save_dialog) return g_save_dialog(dialog);
    return GetSaveFileNameW(dialog);
}

void SetMessageBoxHook(MessageBoxHook hook) { g_message_box = std::move(hook); }
void SetOpenFileDialogHook(FileDialogHook hook) { g_open_dialog = std::move(hook); }
void SetSaveFileDialogHook(FileDialogHook hook) { g_save_dialog = std::move(hook); }
