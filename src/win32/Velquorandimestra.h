// The document manager: the one open document and every command on it. Its
// members are defined by job: the file commands (the document's life, its
// file, teardown) in VelquorandimestraFile.cpp; the item commands (add,
// delete, commit, undo, the list's find and filter, the report, the kinds)
// in VelquorandimestraItems.cpp; the alarm check in
// VelquorandimestraAlarm.cpp. Its windows know nothing of it: the main
// dialog is handed it (proc.cpp), the report and kind windows are handed
// their data (TextOutDlg.cpp, ActionKindDlg.cpp).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ActionDocument.h"
#include "ActionEdit.h"
#include "Digest.h"
#include "File.h"
#include "Records.h"
#include "ScheduleManager.h"

struct DueAlarm;
struct VqfDocument;

class CVelquorandimestra {
public:
    CVelquorandimestra() = default;
    ~CVelquorandimestra() = default;
    CVelquorandimestra(const CVelquorandimestra&) = delete;
    CVelquorandimestra& operator=(const CVelquorandimestra&) = delete;

    // Document lifecycle.
    // Start-up: reopens the file saved last (or, with `reopen_last` false,
    // only starts without a document).
    void InitInstance(bool reopen_last = true);
    // Start-up with a file named on the command line: opened instead of the
    // one saved last, as OpenNamedFile opens it; a file that cannot be
    // opened is refused with its box and the program starts without a
    // document. An empty argument is the start without one.
    void InitInstanceFor(const std::wstring& argument);
    int CheckStatus() const;  // 1 without an open document, 0 with one
    void DeleteInstance();
    void OnFileNew();
    // The open command; its chooser starts in `folder` when one is given.
    void OnFileOpen(const std::wstring& folder = {});
    // 以前の版を開く: the open command in the folder of the open document's
    // kept earlier versions (Backups.cpp).
    void OnOpenEarlierVersion();
    int OnSaveFile();
    int OnSaveFileNew();
    // Whether the open document changed since it was opened, created or
    // last saved: a field committed with another value, a kind picked, an
    // item added or deleted, the kind list, a title renamed. Selecting lines,
    // a commit that changes nothing and the report are no change.
    bool Modified() const { return document.Modified(); }
    // Opens the file at `path` (relative to the current folder) as the open
    // command opens a chosen file: the field being typed in taken, the
    // save question, then the missing, unreadable or unsupported file
    // refused with its box and the open document kept.
    void OpenNamedFile(const std::wstring& path);
    // A drop onto the main window: one .vqf file is opened as above; several
    // files, a folder or another kind of file are refused with a box before
    // anything is asked. Releases the drop. 0 when taken, 1 when refused.
    int OnDropFiles(HDROP drop);
    // Asks whether to save the open document before it goes, in the
    // save-current box owned by the main window, and saves it on Yes; a
    // document that has not changed goes without the question (IDNO). The
    // answer: IDYES (saved), IDNO, IDCANCEL (also for a Yes whose save was
    // cancelled, refused or failed: the document must stay), or anything
    // else the box gave.
    int AskSaveCurrent();
    // Whether the open document may make way, for New, Open, a drop, an
    // earlier version, the close or the end of the session: the one place
    // that decides. The field being typed in is taken, then the save
    // question asked (only after a change). kUnasked: the question could
    // not be shown, and each caller says what that means for it.
    enum class MakeWay { kGo, kStay, kUnasked };
    MakeWay MayMakeWay();
    // The action item file.
    int FileOpen(HANDLE file, const wchar_t* name, const wchar_t* path);
    int SaveFile();
    // Before a save in place: true when another program changed the file
    // since it was opened or saved here and the user keeps that version.
    bool KeepsOthersWork() const;

    // Undo and redo: the document takes back or does again its last step,
    // and the list box and the editor show what it answers. The field being
    // typed in was taken first, as for every command.
    void OnUndo();
    void OnRedo();
    bool CanUndo() const { return state == STATE_OPEN && document.CanUndo(); }
    bool CanRedo() const { return state == STATE_OPEN && document.CanRedo(); }

    // Item list commands.
    void OnAddItem();
    void OnDeleteItem();
    void OnEnSetFocus(HWND control);
    void OnEnKillFocus(HWND control);
    void OnLbnSelChange(HWND list);
    // The focus is leaving a detail field for the item list box because of
    // a click at `click` (WM_LBUTTONDOWN's lParam): takes the focus, so that
    // the field's commit runs, and returns where the click must land to hit
    // the line that was under the mouse, wherever the commit moved it.
    LPARAM FollowClickedLine(HWND list, LPARAM click);
    // Takes the detail control that has the focus into its item, as leaving
    // it would. Every command runs it first: a menu command or a shortcut
    // leaves the focus where it was, and must see what the user sees.
    void TakeTypedField();

    // The item list's find field and filter.
    // A change of either shows the lines that pass both now; Escape in the
    // find field clears it. The selected lines that stay shown stay selected.
    void OnFindChange();
    // Ctrl+F: the find field takes the focus, its text selected.
    void OnFind();
    // Once a second: when the minute changed, the lines are drawn again, so
    // that a line turns late in its minute.
    void OnListMinute();
    // What the find field and the filter ask for, at the list's minute.
    ListQuery CurrentListQuery() const;

    // Alarm check, once a second: every minute since the last one checked.
    void OnTimer();
    // A document was just read from a file with the stamp `stamp`: its first
    // check starts after the minute recorded for it in an earlier run, or
    // else after its file's last write, so that alarms that came due while
    // it was closed ring then (AlarmsCheckedAtOpen).
    void StartAlarmCheck(const std::optional<FileStamp>& stamp);
    // The document goes: how far its alarms were checked is recorded for
    // the next time it opens, and forgotten here.
    void EndAlarmCheck();
    // The snooze of the alarm window: the alarm of each chosen item that is
    // still in the document becomes the current minute plus `minutes`, an
    // edit of the item made as a commit makes it, shown at once when the
    // editor shows it. Returns how many alarms moved.
    int SnoozeAlarms(const std::vector<DueAlarm>& chosen, int minutes);

    // The report of the selected lines, in the text output window.
    void OnTextOut();

    // The kind editor on the document's kinds; OK replaces them, one step
    // to undo, and the kind combo box follows. Returns how the editor ended
    // (RunKindEditor).
    INT_PTR OnEditKinds();
    // The main dialog's kind combo box lists the kind chain, top to bottom.
    void ShowKinds();

    std::wstring file_name;  // empty: the document has no file yet
    std::wstring file_path;
    // The file as this program last opened or saved it; nothing before the
    // document has a file.
    std::optional<FileStamp> file_stamp;
    // The bytes of the file as this program last read or wrote it (size and
    // digest), set with file_stamp.
    std::optional<ContentDigest> file_content;
    int state = 0;  // zero at load; InitInstance makes it STATE_NONE
    std::unique_ptr<CScheduleManager> schedule;
    std::unique_ptr<CActionEdit> editor;
    // The last clock minute (ClockMinute) whose alarms were checked; none
    // until the first tick that sees this document open. DeleteInstance
    // forgets it, so that the next document starts with its own minute.
    std::optional<std::int64_t> alarms_checked_to;
    // Where the first check of a document read from a file starts: the
    // minute recorded for it, and its file's last write (clock minutes).
    std::optional<std::int64_t> alarms_recorded;
    std::optional<std::int64_t> alarms_file_written;
    // Alarm windows on screen now: no command of the main window runs meanwhile.
    int alarms_on_screen = 0;

private:
    // The tests' one way in to the chains (tests/win32/DocumentProbe.h).
    friend class DocumentProbe;

    // Takes `edited`, an edit of `record` as `shown` showed it, into the
    // document (ActionDocument::Commit) and mirrors the answer in the list
    // box: the line moved or retitled, the selection kept.
    ActionDocument::Committed CommitEdit(const _ITEM_LIST* record, const _EDIT_ITEM& shown, const _EDIT_ITEM& edited,
                                         const ActionDocument::View& view = {});
    // What the window shows now, for the step a command records: the
    // selected lines' texts and the item the editor shows.
    ActionDocument::View CurrentView() const;
    // Mirrors what an undo or a redo did: the lines, the kinds, the
    // selection and the item shown.
    void ShowRestored(const ActionDocument::Restored& restored);
    // The list box shows the document's lines, the line of `selected` alone
    // selected, and the editor shows `selected`. False when the list box
    // refused a line (out of memory): it does not mirror the document then.
    bool ShowDocument(const _ITEM_LIST* selected);

    // Reads the file at the whole path `full` into a new document, or says
    // why not and keeps the open one.
    void OpenChosenFile(const std::wstring& full, const std::wstring& name);
    // Reads and checks the whole file before the open document is touched,
    // then loads it (LoadDocument). `report` is false at start-up, where a
    // file without items is skipped silently. Returns 0 or a kFileOpen...
    // status; on a nonzero one the open document is as it was.
    int LoadFromHandle(HANDLE file, const std::wstring& name, const std::wstring& path, bool report);
    // Makes a loaded document the open one: the document open until now
    // goes first, then records, schedule list and list box, editor with the
    // last item, kind combo box.
    void LoadDocument(VqfDocument doc, const std::wstring& name, const std::wstring& path,
                      std::optional<FileStamp> stamp);

    // The detail field that had the focus when it went out of the main
    // dialog (to a box, a dialog, another window): the focus coming back to
    // it keeps the caret and selection.
    HWND returning_focus_ = nullptr;

    // The document itself: records, kinds, lines and the change count. It
    // decides; the list box and the editor mirror it.
    ActionDocument document;
};

// Lets the item list box's clicks follow a line that the commit of the field
// being left moved (CVelquorandimestra::FollowClickedLine).
void WatchItemListClicks(HWND list);

// The manager handed to the main dialog `window` when it was created
// (CreateDialogParamW's lParam, kept in its GWLP_USERDATA), or null.
inline CVelquorandimestra* MainWindowManager(HWND window) {
    return window == nullptr ? nullptr
                             : reinterpret_cast<CVelquorandimestra*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
