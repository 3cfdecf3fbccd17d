// The document manager: the one open document and every command on it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "ActionEdit.h"
#include "RecordIndex.h"
#include "Records.h"
#include "ScheduleManager.h"

class CVelquorandimestra {
public:
    CVelquorandimestra() = default;
    ~CVelquorandimestra() = default;
    CVelquorandimestra(const CVelquorandimestra&) = delete;
    CVelquorandimestra& operator=(const CVelquorandimestra&) = delete;

    // Record operations.
    int InitItemList(_ITEM_LIST* item);
    _ITEM_LIST* SearchItemList(const _ITEM_LIST* probe);
    int CopyItemList(_ITEM_LIST* dst, const _EDIT_ITEM* src);
    int DeleteItem(std::unique_ptr<_ITEM_LIST> item);

    // Document lifecycle.
    int InitInstance();
    int CheckStatus() const;  // 1 without an open document, 0 with one
    int DeleteInstance();
    int OnFileNew();
    int OnFileOpen();
    int OnSaveFile();
    int OnSaveFileNew();

    // The action item file.
    int FileOpen(HANDLE file, const wchar_t* name, const wchar_t* path);
    int SaveFile();

    // Item list commands.
    int OnAddItem();
    int OnDeleteItem();
    int OnEnSetFocus(HWND control);
    int OnEnKillFocus(HWND control);
    int OnLbnSelChange(HWND list);

    // Alarm check, once a second.
    int OnTimer();

    // Text report into the text output dialog.
    int OnTextOut(HWND window);

    // Action kind editor.
    int OnLoadActionKind(HWND window);
    int OnAddActionKind(HWND window);
    int OnDeleteActionKind(HWND window);
    int OnUpdateActionKind(HWND window);

    HANDLE file_handle = nullptr;
    std::wstring file_name;  // empty: the document has no file yet
    std::wstring file_path;
    int state = 0;  // zero at load; InitInstance makes it STATE_NONE
    std::unique_ptr<_ITEM_LIST> item_list;
    // Beside item_list: the commands find records through it. Code that
    // changes the chain other than through the commands calls
    // records.Rebuild() (see RecordIndex.h).
    RecordIndex records{item_list};
    std::unique_ptr<_KIND_LIST> action_kinds;
    std::unique_ptr<CScheduleManager> schedule;
    std::unique_ptr<CActionEdit> editor;
};
