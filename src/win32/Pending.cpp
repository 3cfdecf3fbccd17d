// Commands whose bodies are still to be written. Each one does nothing yet,
// which is what the window does for them until they land.
#include "Velquorandimestra.h"
#include "proc.h"

// Schedule list and item editor.
_SCHEDULE_LIST::~_SCHEDULE_LIST() = default;
CScheduleManager::CScheduleManager() = default;
CScheduleManager::~CScheduleManager() = default;
int CScheduleManager::InitInstance() { return 0; }
int CScheduleManager::DeleteInstance() { return 0; }
int CScheduleManager::AddItem(const wchar_t*, _TIMES, _TIMES, unsigned) { return 0; }
int CScheduleManager::DeleteItem(const wchar_t*) { return -1; }
_SCHEDULE_LIST* CScheduleManager::SearchItem(const wchar_t*) { return nullptr; }
int CScheduleManager::InitScheduleList(_SCHEDULE_LIST*) { return 0; }
CActionEdit::CActionEdit() = default;
CActionEdit::~CActionEdit() = default;
int CActionEdit::InitInstance() { return 0; }
int CActionEdit::DeleteInstance() { return 0; }
int CActionEdit::SetItem(const _ITEM_LIST*) { return 0; }
int CActionEdit::SetEdit(const _EDIT_ITEM*) { return 0; }
int CActionEdit::UpdateItem() { return 0; }
_EDIT_ITEM* CActionEdit::GetItem() { return &item_; }

// Documents.
int CVelquorandimestra::InitInstance() {
    file_handle = nullptr;
    state = STATE_NONE;
    return 0;
}
int CVelquorandimestra::OnFileNew() { return 0; }
int CVelquorandimestra::OnFileOpen() { return 0; }
int CVelquorandimestra::OnSaveFile() { return 0; }
int CVelquorandimestra::OnSaveFileNew() { return 0; }
int CVelquorandimestra::FileOpen(HANDLE, const wchar_t*, const wchar_t*) { return 1; }
int CVelquorandimestra::SaveFile() { return 0; }

// Editing, alarms, report and kinds.
int CVelquorandimestra::OnAddItem() { return 0; }
int CVelquorandimestra::OnDeleteItem() { return 0; }
int CVelquorandimestra::OnEnSetFocus(HWND) { return 0; }
int CVelquorandimestra::OnEnKillFocus(HWND) { return 0; }
int CVelquorandimestra::OnLbnSelChange(HWND) { return 0; }
int CVelquorandimestra::OnTimer() { return 0; }
int CVelquorandimestra::OnTextOut(HWND) { return 0; }
int CVelquorandimestra::OnLoadActionKind(HWND) { return 0; }
int CVelquorandimestra::OnAddActionKind(HWND) { return 0; }
int CVelquorandimestra::OnDeleteActionKind(HWND) { return 0; }
int CVelquorandimestra::OnUpdateActionKind(HWND) { return 0; }
INT_PTR CALLBACK TextOutDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
INT_PTR CALLBACK EditActionKindDlgProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
