// Test support for the user-interface layer: the real main dialog from
// template 110, scripted message boxes and choosers, a set clock, and a way
// to drive modal dialogs from inside their own message loop.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "File.h"
#include "MessagePump.h"

// One message box as the program asked for it.
struct AskedBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT flags;
    bool operator==(const AskedBox&) const = default;
};
void PrintTo(const AskedBox& box, std::ostream* out);

// Scripted answers for ShowMessageBox; every box is recorded. A box asked
// with no answer left fails the test and answers IDCANCEL.
class BoxScript {
public:
    BoxScript();
    ~BoxScript();
    void Answer(int result) { answers_.push_back(result); }
    const std::vector<AskedBox>& asked() const { return asked_; }
    std::size_t unused() const { return answers_.size(); }
    void DropUnused() { answers_.clear(); }

private:
    std::deque<int> answers_;
    std::vector<AskedBox> asked_;
};

// Scripted answers for the open and save choosers. An answer is a path to
// put into the dialog's buffers (the file title is taken after the last
// backslash), or an empty string for Cancel. Each call is recorded with the
// path the dialog was opened with.
class ChooserScript {
public:
    ChooserScript();
    ~ChooserScript();
    void OpenAnswer(std::wstring path) { open_.push_back(std::move(path)); }
    void SaveAnswer(std::wstring path) { save_.push_back(std::move(path)); }
    const std::vector<std::wstring>& open_started_with() const { return open_seen_; }
    const std::vector<std::wstring>& save_started_with() const { return save_seen_; }
    const std::vector<OPENFILENAMEW>& requests() const { return requests_; }
    // The folder each chooser was to start in (lpstrInitialDir; empty: none).
    const std::vector<std::wstring>& started_in() const { return folders_; }

private:
    BOOL Serve(OPENFILENAMEW* dialog, std::deque<std::wstring>& answers, std::vector<std::wstring>& seen);
    std::deque<std::wstring> open_, save_;
    std::vector<std::wstring> open_seen_, save_seen_, folders_;
    std::vector<OPENFILENAMEW> requests_;
};

// Sets the clock that GetTime reads, for the lifetime of the object.
class FixedClock {
public:
    explicit FixedClock(std::int64_t seconds);
    ~FixedClock();
    void Set(std::int64_t seconds);
};

// Seconds since the epoch of a UTC instant.
std::int64_t UtcSeconds(int year, int month, int day, int hour, int minute, int second = 0);

// Makes the next saves fail at the step where `hook` returns true, as a full
// disk or a refused access would; `hook` is asked before each step in turn.
// At Write, half of the file's first chunk reaches the temporary file (half
// of any file below 1 MiB) before the disk is full. An empty hook restores
// normal saving.
void SetSaveFaultHook(SaveFaultHook hook);

class CVelquorandimestra;

// The running test's own document manager: made by MainDialogTest and handed
// to its main dialog as the program hands its own.
CVelquorandimestra& App();

// Fixture: registers the class once, makes a document manager and creates
// the real main dialog 110 with it as the program does, sets g_hWnd, and
// tears everything down afterwards. It does not call App().InitInstance
// (that reads the last-file record); tests that need it call it themselves.
class MainDialogTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND Item(int id) const { return GetDlgItem(main_, id); }
    std::wstring Text(int id) const;
    void SetText(int id, const std::wstring& text) const;
    // Sends WM_COMMAND as a control would: (code << 16 | id, control window).
    void Command(int id, int code = 0) const;
    // Lines of a list box and the indices selected in it.
    std::vector<std::wstring> Lines(int id = 40042) const;
    std::vector<int> Selected(int id = 40042) const;
    // Entries of a combo box, by default the kind combo box.
    std::vector<std::wstring> ComboEntries(int id = 40048) const;
    std::wstring Title() const;

    HWND main_ = nullptr;
};

// Runs `open` (which starts a modal loop, e.g. DialogBoxParamW) and, from
// inside that loop, calls each step in turn with the active modal dialog
// window, one step per timer tick. Returns what `open` returned. Fails the
// test when the dialog is still open after the last step and its time-out.
INT_PTR RunModal(const std::function<INT_PTR()>& open, std::vector<std::function<void(HWND dialog)>> steps);

// Posts a key press to the focused control of `dialog`'s thread, as the
// keyboard would, so that the dialog manager handles Enter, Escape and Tab.
void PressKey(HWND dialog, WORD key);


// A fresh empty directory for files, removed with its content afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
bool FileExists(const std::wstring& path);
// Names in a directory other than "." and "..", sorted.
std::vector<std::wstring> Listing(const std::wstring& dir);
// The whole paths of the earlier versions kept of `document`, sorted by name.
std::vector<std::wstring> KeptVersions(const std::wstring& document);
