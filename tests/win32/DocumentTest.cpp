// Documents on real files: start-up reopening, new, open, save, save as, the
// close sequence, and saves that fail without losing the previous file.
#include <windows.h>
#include <shlobj.h>  // DROPFILES

#include <cstddef>

#include <algorithm>
#include <functional>
#include <iterator>
#include <optional>

#include "VelquorandimestraFile.h"
#include "Backups.h"
#include "DocumentProbe.h"
#include "Harness.h"
#include "ItemChain.h"
#include "Sample.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

// The classic chooser record: 76 bytes in the 32-bit program, the same
// layout's own size in a 64-bit build.
#ifdef _WIN64
constexpr DWORD kClassicChooserSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(void*);
#else
constexpr DWORD kClassicChooserSize = 76;
#endif

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr UINT kQuestion = MB_YESNOCANCEL | MB_ICONQUESTION;
const wchar_t kSaveCurrent[] = L"現在のアクション管理を保存しますか？";

// A file with the given titles (planned completion in file order) and kinds;
// the last item has the kind `last_kind`.
Bytes MakeFile(std::initializer_list<const char16_t*> titles, std::initializer_list<const char16_t*> kinds = {},
               const char16_t* last_kind = u"") {
    std::vector<_EDIT_ITEM> items;
    int day = 1;
    for (const char16_t* t : titles) {
        _EDIT_ITEM& item = items.emplace_back();
        item.title = t;
        item.planned_start = {2030, 1, day, 3, 4};
        item.planned_end = {2030, 2, day++, 5, 6};
        item.status = u"状況";
    }
    if (!items.empty()) items.back().action_kind = last_kind;
    return WriteVqf(ItemChain(items).get(), KindList(std::vector<std::u16string>(kinds.begin(), kinds.end())).get());
}

Bytes Record(const std::wstring& path) { return EncodeLastFileRecord(ToU16(path)); }

std::vector<std::u16string> Titles() { return ChainTitles(DocumentProbe::Items()); }

// An unsaved change of the title of record `index`, made as a commit makes it.
void Retitle(std::size_t index, const char16_t* title) {
    DocumentProbe::Change(index, [title](_EDIT_ITEM& record) { record.title = title; });
}

bool QuitPosted() {
    MSG m;
    return PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}


// A drop as Explorer hands it to a window: DROPFILES, then the wide names,
// each ended by a NUL and the list by another.
HDROP Drop(const std::vector<std::wstring>& paths) {
    std::wstring names;
    for (const std::wstring& p : paths) names += p + L'\0';
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (names.size() + 1) * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    *drop = DROPFILES{sizeof(DROPFILES), {}, FALSE, TRUE};
    std::copy(names.begin(), names.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

class DocumentTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        record_ = dir_.File(L"app.dat");
        SetLastFileRecordPath(record_);
    }
    void TearDown() override {
        SetSaveFaultHook({});
        MainDialogTest::TearDown();
        SetLastFileRecordPath({});
    }
    // Opens `path` through the open command with no document open.
    void OpenFile(ChooserScript& choosers, const std::wstring& path) {
        ASSERT_EQ(App().state, STATE_NONE);
        choosers.OpenAnswer(path);
        Command(IDM_FILE_OPEN);
    }
    // A change of the open document, as typing into a field and leaving it.
    void Change() const {
        SetText(IDC_LOCATION, L"changed");
        Command(IDC_LOCATION, EN_KILLFOCUS);
    }

    TempDir dir_;
    std::wstring record_;
};

TEST_F(DocumentTest, StartupReopensOnlyFromAUsableRecord) {
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"予定 表").c_str(), nullptr));
    const std::wstring plan = dir_.File(L"予定 表\\plan.vqf");
    WriteBytes(plan, MakeFile({u"A", u"B"}, {u"会議"}));
    WriteBytes(dir_.File(L"empty.vqf"), MakeFile({}));
    WriteBytes(dir_.File(L"broken.vqf"), Bytes(30, 7));
    Bytes full = Record(plan);
    Bytes too_long = full;
    too_long[0] = 0x00, too_long[1] = 0x00, too_long[2] = 0x01;  // 65536 bytes: beyond the longest path
    struct Case {
        const char* name;
        std::optional<Bytes> record;  // nothing: no record file
        bool opens;
        // A file named after the program's name is opened instead of the
        // record's, from the current folder, quoted or not; one that cannot
        // be opened says why (`box`) and the program starts without one.
        std::wstring command_line = L"Velquorandimestra.exe";
        std::wstring box = L"";
    } cases[] = {
        {"no record", std::nullopt, false},
        {"4 bytes", Bytes(full.begin(), full.begin() + 4), false},
        {"5 bytes", Bytes(full.begin(), full.begin() + 5), false},
        {"7 bytes", Bytes(full.begin(), full.begin() + 7), false},
        {"names the file", full, true},
        {"names a missing file", Record(dir_.File(L"gone.vqf")), false},
        {"names a file without items", Record(dir_.File(L"empty.vqf")), false},
        {"names a broken file", Record(dir_.File(L"broken.vqf")), false},
        {"length beyond the buffer", too_long, false},
        {"argument, quoted", std::nullopt, true, L"\"C:\\Program Files\\V\\Velquorandimestra.exe\" \"" + plan + L"\""},
        {"argument, unquoted", Record(dir_.File(L"gone.vqf")), true, L"Velquorandimestra.exe " + plan + L"  "},
        {"argument, relative", std::nullopt, true, L"Velquorandimestra.exe \"予定 表\\plan.vqf\""},
        {"nothing after the name", full, true, L"\"Velquorandimestra.exe\"   "},
        {"argument, missing", full, false, L"Velquorandimestra.exe gone.vqf", L"ファイルが存在しません"},
        {"argument, without items", full, false, L"Velquorandimestra.exe empty.vqf", L"エラーコード：0x00020001"},
    };
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(dir_.path().c_str());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(record_.c_str());
        if (c.record) WriteBytes(record_, *c.record);
        SetWindowTextW(main_, L"Velquorandimestra");
        BoxScript boxes;  // without an argument, start-up never shows a box
        if (!c.box.empty()) boxes.Answer(IDOK);
        App().InitInstanceFor(PathArgument(c.command_line));
        EXPECT_EQ(boxes.asked().empty() ? L"" : boxes.asked()[0].text, c.box);
        EXPECT_FALSE(QuitPosted());
        if (c.opens) {
            EXPECT_EQ(App().state, STATE_OPEN);
            EXPECT_EQ(Title(), L"Velquorandimestra [ plan.vqf ]");
            EXPECT_EQ(App().file_path, plan);
            EXPECT_EQ(App().file_name, L"plan.vqf");
            EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"A", u"B"}));
            EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"A", L"B"}));
            EXPECT_EQ(Text(IDC_TITLE), L"B");
        } else {
            EXPECT_EQ(App().state, STATE_NONE);
            EXPECT_EQ(Title(), L"Velquorandimestra");
            EXPECT_EQ(DocumentProbe::Items(), nullptr);
            EXPECT_EQ(App().schedule, nullptr);
            EXPECT_TRUE(Lines().empty());
        }
        App().DeleteInstance();
    }
    SetCurrentDirectoryW(before);
}

TEST_F(DocumentTest, OpenFillsTitleAndKindsAndChooserRecord) {
    const std::wstring path = dir_.File(L"plans.vqf");
    WriteBytes(path, MakeFile({u"A", u"B", u"C"}, {u"会議", u"", u"移動"}));
    SendMessageW(Item(IDC_ACTION_KIND), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"old"));
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, path);
    EXPECT_TRUE(boxes.asked().empty());
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(Title(), L"Velquorandimestra [ plans.vqf ]");
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"A", u"B", u"C"}));
    HWND combo = Item(IDC_ACTION_KIND);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    wchar_t text[16];
    SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"会議");
    SendMessageW(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"移動");
    // The kinds are refilled after the last item was shown: no selection.
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(Text(IDC_ACTION_KIND), L"");
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(Selected(), std::vector<int>{2});
    EXPECT_EQ(Text(IDC_TITLE), L"C");
    EXPECT_EQ(Text(IDC_STATUS), L"状況");
    // Opening reads and changes nothing on disk, the record included.
    EXPECT_FALSE(FileExists(record_));

    ASSERT_EQ(choosers.requests().size(), 1u);
    const OPENFILENAMEW& ofn = choosers.requests()[0];
    EXPECT_EQ(ofn.lStructSize, kClassicChooserSize);
    EXPECT_EQ(ofn.hwndOwner, main_);
    EXPECT_EQ(ofn.Flags, static_cast<DWORD>(OFN_HIDEREADONLY));  // no "open as read-only" to ignore
    EXPECT_EQ(ofn.nMaxFile, 2048u);
    EXPECT_EQ(ofn.nMaxFileTitle, 2048u);
    EXPECT_EQ(ofn.lpstrDefExt, nullptr);
    // The whole double-NUL-terminated filter, its final NUL included.
    constexpr wchar_t kFilter[] = L"アクション管理ファイル(*.vqf)\0*.vqf\0";
    EXPECT_EQ(std::wstring(ofn.lpstrFilter, std::size(kFilter)), std::wstring(kFilter, std::size(kFilter)));
    EXPECT_EQ(choosers.open_started_with()[0], L"");
}

// A drop is the open command with the file chosen; anything but one .vqf is
// refused before the question.
TEST_F(DocumentTest, DropOpensOneVqfFileAndRefusesTheRest) {
    const std::wstring a = dir_.File(L"a.vqf"), b = dir_.File(L"b.VQF"), text = dir_.File(L"notes.txt");
    const std::wstring folder = dir_.File(L"folder.vqf"), empty = dir_.File(L"empty.vqf");
    for (const std::wstring& f : {a, b, text}) WriteBytes(f, MakeFile({u"A"}));
    WriteBytes(empty, MakeFile({}));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ChooserScript choosers;
    BoxScript boxes;
    OpenFile(choosers, a);
    Change();  // so that a drop asks the save question
    EXPECT_NE(GetWindowLongPtrW(main_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
    const std::wstring not_vqf = L"」はアクション管理ファイル(*.vqf)ではありません。";
    struct Case {
        std::vector<std::wstring> dropped;
        std::vector<int> answers;           // the boxes', in order
        std::wstring last_box, open_after;  // the last box's text; the document's file
    } cases[] = {
        {{a, b}, {IDOK}, L"一度に開けるファイルは一つだけです。", a},
        {{text}, {IDOK}, L"「" + text + not_vqf, a},
        {{folder}, {IDOK}, L"「" + folder + not_vqf, a},
        {{b}, {IDCANCEL}, kSaveCurrent, a},
        {{empty}, {IDNO, IDOK}, L"エラーコード：0x00020001", a},
        {{dir_.File(L"gone.vqf")}, {IDNO, IDOK}, L"ファイルが存在しません", a},
        {{b}, {IDNO}, kSaveCurrent, b},  // .vqf in any case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.dropped));
        const std::size_t asked = boxes.asked().size();
        for (int answer : c.answers) boxes.Answer(answer);
        SendMessageW(main_, WM_DROPFILES, reinterpret_cast<WPARAM>(Drop(c.dropped)), 0);
        ASSERT_EQ(boxes.asked().size(), asked + c.answers.size());
        EXPECT_EQ(boxes.asked().back().text, c.last_box);
        EXPECT_EQ(boxes.asked().back().owner, main_);
        EXPECT_EQ(App().file_path, c.open_after);
    }
    EXPECT_FALSE(QuitPosted());
}

TEST_F(DocumentTest, OpenListsInScheduleOrderAndSkipsRepeatedTitles) {
    _ITEM_LIST late, early, again;
    late.title = u"Late";
    late.planned_end = {2030, 5, 1, 1, 0};
    early.title = u"Early";
    early.planned_end = {2030, 1, 1, 1, 0};
    again.title = u"Late";
    again.planned_end = {2029, 1, 1, 1, 0};
    again.location = u"second";
    const std::wstring path = dir_.File(L"order.vqf");
    // Written by hand-linking three records that the test owns.
    auto file = [&] {
        auto head = std::make_unique<_ITEM_LIST>();
        static_cast<_EDIT_ITEM&>(*head) = late;
        head->next = std::make_unique<_ITEM_LIST>();
        static_cast<_EDIT_ITEM&>(*head->next) = early;
        head->next->next = std::make_unique<_ITEM_LIST>();
        static_cast<_EDIT_ITEM&>(*head->next->next) = again;
        return WriteVqf(head.get(), nullptr);
    }();
    WriteBytes(path, file);
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, path);
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"Late", u"Early", u"Late"}));
    EXPECT_EQ(Lines(), (std::vector<std::wstring>{L"Early", L"Late"}));
    EXPECT_EQ(Text(IDC_LOCATION), L"second");  // the last record is shown
    // Saving writes the chain as it is, repeated title included.
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(ReadBytes(path), file);
    // An edit changes the record shown, not the first one of its title.
    SetText(IDC_LOCATION, L"edited");
    Command(IDC_LOCATION, EN_KILLFOCUS);
    EXPECT_EQ(DocumentProbe::Items()->location, u"");
    EXPECT_EQ(DocumentProbe::Items()->next->next->location, u"edited");
    EXPECT_EQ(Text(IDC_LOCATION), L"edited");
}

// After an open, and after OK in the kind editor, the combo box shows the
// shown item's kind again (exactly, case included); a kind the list lacks
// shows no selection, and a commit keeps it all the same.
TEST_F(DocumentTest, OpenShowsTheItemsKindAndCommitsKeepIt) {
    const struct {
        const char* name;
        std::initializer_list<const char16_t*> kinds;
        const char16_t* kind;
        LRESULT selection;
    } cases[] = {
        {"in the list", {u"移動", u"会議"}, u"会議", 1},
        {"case counts", {u"Work", u"work"}, u"work", 1},
        {"not in the list, an empty entry is", {u"会議", u""}, u"外出", CB_ERR},
    };
    const std::wstring path = dir_.File(L"kinds.vqf");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(path, MakeFile({u"A", u"B"}, c.kinds, c.kind));
        BoxScript boxes;
        ChooserScript choosers;
        OpenFile(choosers, path);
        HWND combo = Item(IDC_ACTION_KIND);
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), c.selection);
        RunModal([&] { Command(IDC_EDIT_KINDS); return INT_PTR{1}; },
                 {[](HWND d) { SendMessageW(d, WM_COMMAND, IDC_KIND_OK, 0); }});
        EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), c.selection);
        SetText(IDC_LOCATION, L"moved");
        Command(IDC_LOCATION, EN_KILLFOCUS);
        Command(IDM_FILE_SAVE);
        const VqfDocument saved = LoadVqf(ReadBytes(path));
        ASSERT_TRUE(saved.item_list && saved.item_list->next);
        EXPECT_EQ(saved.item_list->next->location, u"moved");
        EXPECT_EQ(saved.item_list->next->action_kind, c.kind);
        App().DeleteInstance();
    }
}

TEST_F(DocumentTest, SavedLastNotOpenedLastIsReopened) {
    const std::wstring a = dir_.File(L"a.vqf"), b = dir_.File(L"b.vqf");
    WriteBytes(a, MakeFile({u"A"}));
    WriteBytes(b, MakeFile({u"B"}));
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(ReadBytes(record_), Record(a));
    boxes.Answer(IDNO);
    choosers.OpenAnswer(b);
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(App().file_name, L"b.vqf");
    boxes.Answer(IDNO);
    Command(IDM_EXIT);
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(App().state, STATE_NONE);
    App().InitInstance();
    EXPECT_EQ(App().file_path, a);
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"A"});
}

TEST_F(DocumentTest, NewWithNoDiscardsAndFirstSaveAsksForAName) {
    const std::wstring a = dir_.File(L"a.vqf");
    const Bytes original = MakeFile({u"A", u"B"});
    WriteBytes(a, original);
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Change();
    boxes.Answer(IDNO);
    Command(IDM_FILE_NEW);
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0], (AskedBox{main_, kSaveCurrent, L"QUESTION", kQuestion}));
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(Title(), L"Velquorandimestra");
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"NewAction"});
    EXPECT_EQ(Lines(), std::vector<std::wstring>{L"NewAction"});
    EXPECT_EQ(Selected(), std::vector<int>{0});
    EXPECT_EQ(Text(IDC_TITLE), L"NewAction");
    EXPECT_TRUE(App().file_path.empty());
    EXPECT_EQ(ReadBytes(a), original);
    choosers.SaveAnswer(L"");  // the save command asks for a name; cancel
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(choosers.save_started_with().size(), 1u);
    EXPECT_EQ(App().state, STATE_OPEN);
}

// The open document stays, whole and working, until the chosen file has
// loaded; the choosers leave the program's current folder where it was.
TEST_F(DocumentTest, OpenThenNoThenCancelKeepsTheDocument) {
    const std::wstring a = dir_.File(L"a.vqf");
    WriteBytes(a, MakeFile({u"A"}));
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Retitle(0, u"A2");
    boxes.Answer(IDNO);
    choosers.OpenAnswer(L"");
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"A2"});
    EXPECT_EQ(Lines(), std::vector<std::wstring>{L"A2"});
    EXPECT_EQ(Title(), L"Velquorandimestra [ a.vqf ]");
    // Save still writes it, in place.
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(LoadVqf(ReadBytes(a)).item_list->title, u"A2");
    EXPECT_EQ(choosers.save_started_with().size(), 0u);

    choosers.SaveAnswer(dir_.File(L"b"));
    Command(IDM_FILE_SAVEAS);
    EXPECT_EQ(App().file_path, dir_.File(L"b.vqf"));
    wchar_t after[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(after, before);
}

TEST_F(DocumentTest, SaveAsAppliesTheCaseSensitiveExtensionRule) {
    struct Case {
        const wchar_t* typed;
        const wchar_t* written;
    } cases[] = {
        // plan.VQF first: names compare without case on disk, so after plan.vqf
        // exists the chooser's plan.VQF would rightly ask about overwriting.
        {L"plan.VQF", L"plan.VQF.vqf"}, {L"plan", L"plan.vqf"}, {L".vqf", L".vqf.vqf"}, {L"x.vqf", L"x.vqf"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.typed)));
        BoxScript boxes;
        ChooserScript choosers;
        Command(IDM_FILE_NEW);
        choosers.SaveAnswer(dir_.File(c.typed));
        Command(IDM_FILE_SAVEAS);
        EXPECT_TRUE(boxes.asked().empty());
        const std::wstring written = dir_.File(c.written);
        EXPECT_EQ(ReadBytes(written), WriteVqf(DocumentProbe::Items(), DocumentProbe::Kinds()));
        EXPECT_EQ(App().file_path, written);
        EXPECT_EQ(App().file_name, c.written);
        EXPECT_EQ(Title(), L"Velquorandimestra [ " + std::wstring(c.written) + L" ]");
        EXPECT_EQ(ReadBytes(record_), Record(written));
        // The chooser starts from the document's path the next time.
        choosers.SaveAnswer(L"");
        Command(IDM_FILE_SAVEAS);
        EXPECT_EQ(choosers.save_started_with().back(), written);
        const OPENFILENAMEW& ofn = choosers.requests().back();
        EXPECT_EQ(ofn.lStructSize, kClassicChooserSize);
        EXPECT_EQ(ofn.hwndOwner, main_);
        EXPECT_EQ(ofn.Flags, 0u);
        App().DeleteInstance();
    }
    // Only the files above and the record: no temporary file is left.
    EXPECT_EQ(Listing(dir_.path()),
              (std::vector<std::wstring>{L".vqf.vqf", L"app.dat", L"plan.VQF.vqf", L"plan.vqf", L"x.vqf"}));
}

TEST_F(DocumentTest, OverwriteQuestionNoReopensChooserYesOverwrites) {
    const std::wstring target = dir_.File(L"plan.vqf");
    WriteBytes(target, Bytes{1, 2, 3});
    BoxScript boxes;
    ChooserScript choosers;
    Command(IDM_FILE_NEW);
    choosers.SaveAnswer(target);
    choosers.SaveAnswer(target);
    boxes.Answer(IDNO);
    boxes.Answer(IDYES);
    Command(IDM_FILE_SAVEAS);
    ASSERT_EQ(boxes.asked().size(), 2u);
    for (const AskedBox& box : boxes.asked()) {
        EXPECT_EQ(box.text, L"上書き保存しますか？");
        EXPECT_EQ(box.caption, L"QUESTION");
        EXPECT_EQ(box.flags, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(box.owner, main_);
    }
    ASSERT_EQ(choosers.save_started_with().size(), 2u);
    EXPECT_EQ(choosers.save_started_with()[1], target);  // reopened with the chosen path
    EXPECT_EQ(ReadBytes(target), WriteVqf(DocumentProbe::Items(), nullptr));

    // Typing plan while plan.vqf exists asks about plan.vqf, the name that
    // would be written; No shows the chooser again with the name as typed.
    WriteBytes(target, Bytes{9});
    choosers.SaveAnswer(dir_.File(L"plan"));
    choosers.SaveAnswer(dir_.File(L"plan"));
    boxes.Answer(IDNO);
    boxes.Answer(IDYES);
    Command(IDM_FILE_SAVEAS);
    ASSERT_EQ(boxes.asked().size(), 4u);
    EXPECT_EQ(boxes.asked()[2].text, L"上書き保存しますか？");
    EXPECT_EQ(choosers.save_started_with().back(), dir_.File(L"plan"));
    EXPECT_EQ(ReadBytes(target), WriteVqf(DocumentProbe::Items(), nullptr));
}

TEST_F(DocumentTest, OpenReportsMissingUnsupportedAndUnreadableFiles) {
    const std::wstring good = dir_.File(L"good.vqf"), bad = dir_.File(L"bad.vqf"), locked = dir_.File(L"locked.vqf");
    WriteBytes(good, MakeFile({u"A"}));
    WriteBytes(bad, Bytes(21, 0));  // magic and count, no kind count
    WriteBytes(locked, MakeFile({u"L"}));
    BoxScript boxes;
    ChooserScript choosers;

    // A missing file: the box, then the chooser again with the path as left.
    const std::wstring missing = dir_.File(L"missing.vqf");
    choosers.OpenAnswer(missing);
    choosers.OpenAnswer(good);
    boxes.Answer(IDOK);
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0], (AskedBox{main_, L"ファイルが存在しません", L"ERROR", MB_OK}));
    EXPECT_EQ(choosers.open_started_with()[1], missing);
    EXPECT_EQ(App().state, STATE_OPEN);

    // An unsupported file: the box, and the open document stays.
    Change();
    boxes.Answer(IDNO);
    boxes.Answer(IDOK);
    choosers.OpenAnswer(bad);
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(boxes.asked().size(), 3u);
    EXPECT_EQ(boxes.asked()[2], (AskedBox{main_, L"入力ファイルの形式が非対応です", L"エラー", MB_OK}));
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"A"});
    EXPECT_EQ(App().file_path, good);
    EXPECT_FALSE(QuitPosted());

    // A file another program holds without sharing: an error naming it and
    // saying why, and the open document stays.
    HANDLE holder = CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    boxes.Answer(IDNO);
    boxes.Answer(IDOK);
    choosers.OpenAnswer(locked);
    Command(IDM_FILE_OPEN);
    CloseHandle(holder);
    ASSERT_EQ(boxes.asked().size(), 5u);
    EXPECT_EQ(boxes.asked()[4].caption, L"ERROR");
    EXPECT_EQ(boxes.asked()[4].text,
              L"ファイル「" + locked + L"」を開けませんでした。\n" + SystemErrorText(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"A"});
    EXPECT_FALSE(QuitPosted());
}

// Refused with its error code; the program goes on (a drop keeps the open
// document through the same path: DropOpensOneVqfFileAndRefusesTheRest).
TEST_F(DocumentTest, OpenFileWithoutItemsShowsItsCodeAndTheProgramGoesOn) {
    const std::wstring empty = dir_.File(L"empty.vqf");
    WriteBytes(empty, MakeFile({}, {u"k"}));  // 25 bytes plus one kind
    BoxScript boxes;
    ChooserScript choosers;
    boxes.Answer(IDOK);
    OpenFile(choosers, empty);
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0], (AskedBox{main_, L"エラーコード：0x00020001", L"ERROR", MB_OK | MB_ICONERROR}));
    EXPECT_FALSE(QuitPosted());
    EXPECT_EQ(App().state, STATE_NONE);
    EXPECT_EQ(DocumentProbe::Items(), nullptr);
    EXPECT_EQ(App().schedule, nullptr);
    EXPECT_EQ(App().editor, nullptr);
}

TEST_F(DocumentTest, SaveCurrentQuestionOnOpenStopsOnCancelOrNoAnswer) {
    const std::wstring a = dir_.File(L"a.vqf");
    WriteBytes(a, MakeFile({u"A"}));
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Change();
    for (int answer : {IDCANCEL, 0}) {
        boxes.Answer(answer);
        Command(IDM_FILE_OPEN);
        EXPECT_EQ(App().state, STATE_OPEN);
        EXPECT_EQ(Titles(), std::vector<std::u16string>{u"A"});
    }
    EXPECT_EQ(choosers.open_started_with().size(), 1u);  // no chooser after the question
}

// New with a question box that gives no answer raises the fatal error, whose
// close asks again; refused, the document stays as it was.
TEST_F(DocumentTest, NewAfterAFailedQuestionKeepsTheDocumentUnlessItCloses) {
    const std::wstring a = dir_.File(L"a.vqf");
    WriteBytes(a, MakeFile({u"A"}));
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Change();
    boxes.Answer(0);          // the question fails
    boxes.Answer(IDOK);       // the error box
    boxes.Answer(IDCANCEL);   // the close's own question
    Command(IDM_FILE_NEW);
    ASSERT_EQ(boxes.asked().size(), 3u);
    EXPECT_EQ(boxes.asked()[1].text, L"エラーコード：0x00010001");
    EXPECT_FALSE(QuitPosted());
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"A"});
    EXPECT_EQ(App().file_path, a);
    EXPECT_EQ(Title(), L"Velquorandimestra [ a.vqf ]");
}

TEST_F(DocumentTest, SaveQuestionOnlyAfterAChange) {
    // After each path, New asks the save-current question (Cancel keeps the
    // document) or, for a document that did not change since it was opened
    // or saved, replaces it without a word.
    const struct {
        const char* name;
        std::function<void()> act;
        bool asked;
        bool repeated_title = false;  // the file holds A twice instead of A and B
    } cases[] = {
        {"nothing", [] {}, false},
        {"a commit that changes nothing", [&] { Command(IDC_STATUS, EN_KILLFOCUS); }, false},
        {"selecting a line", [&] {
             SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, 0);
             Command(IDC_ITEM_LIST, LBN_SELCHANGE);
         }, false},
        {"the report", [&] {
             RunModal([&] { Command(IDC_TEXT_OUT); return INT_PTR{0}; }, {[](HWND d) { EndDialog(d, 1); }});
         }, false},
        {"the kind editor, OK with no change", [&] {
             RunModal([&] { Command(IDC_EDIT_KINDS); return INT_PTR{0}; },
                      {[](HWND d) { SendMessageW(d, WM_COMMAND, IDC_KIND_OK, 0); }});
         }, false},
        {"a field changed", [&] { Change(); }, true},
        {"a field changed, then saved", [&] { Change(); Command(IDM_FILE_SAVE); }, false},
        // The question follows the history: back at the state saved, the
        // document is unchanged; past it, or redone beyond it, changed.
        {"a field changed, then undone", [&] { Change(); Command(IDM_EDIT_UNDO); }, false},
        {"an item deleted, then undone", [&] {
             SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, 0);
             Command(IDC_DELETE_ITEM);
             Command(IDM_EDIT_UNDO);
         }, false},
        {"saved, changed again, undone to the save", [&] {
             Change();
             Command(IDM_FILE_SAVE);
             Command(IDC_ADD_ITEM);
             Command(IDM_EDIT_UNDO);
         }, false},
        {"saved, then undone past the save", [&] { Change(); Command(IDM_FILE_SAVE); Command(IDM_EDIT_UNDO); }, true},
        {"undone, then redone", [&] { Change(); Command(IDM_EDIT_UNDO); Command(IDM_EDIT_REDO); }, true},
        {"a field changed and back", [&] {
             const std::wstring was = Text(IDC_LOCATION);
             Change();
             SetText(IDC_LOCATION, was);
             Command(IDC_LOCATION, EN_KILLFOCUS);
         }, true},
        {"a kind picked", [&] {
             SendMessageW(Item(IDC_ACTION_KIND), CB_SETCURSEL, 1, 0);
             Command(IDC_ACTION_KIND, CBN_SELCHANGE);
         }, true},
        {"an item added", [&] { Command(IDC_ADD_ITEM); }, true},
        {"an item deleted", [&] {
             SendMessageW(Item(IDC_ITEM_LIST), LB_SETSEL, TRUE, 0);
             Command(IDC_DELETE_ITEM);
         }, true},
        {"a kind added to the list", [&] {
             RunModal([&] { Command(IDC_EDIT_KINDS); return INT_PTR{0}; },
                      {[](HWND d) {
                          SetWindowTextW(GetDlgItem(d, IDC_KIND_TEXT), L"新しい種類");
                          SendMessageW(d, WM_COMMAND, IDC_KIND_OK, 0);
                      }});
         }, true},
        // The file's second A, shown last, takes a title of its own.
        {"a repeated title renamed", [&] { Command(IDC_STATUS, EN_KILLFOCUS); }, true, true},
    };
    const std::wstring a = dir_.File(L"a.vqf");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(a, c.repeated_title ? MakeFile({u"A", u"A"}, {u"会議", u"外出"}) : MakeFile({u"A", u"B"}, {u"会議", u"外出"}));
        BoxScript boxes;
        ChooserScript choosers;
        OpenFile(choosers, a);
        ASSERT_EQ(App().state, STATE_OPEN);
        c.act();
        if (c.asked) boxes.Answer(IDCANCEL);
        Command(IDM_FILE_NEW);
        EXPECT_EQ(boxes.asked().size(), c.asked ? 1u : 0u);
        EXPECT_EQ(App().file_path, c.asked ? a : L"");
        App().DeleteInstance();
    }
}

TEST_F(DocumentTest, CloseSequenceCancelNoYes) {
    const std::wstring a = dir_.File(L"a.vqf");
    const Bytes original = MakeFile({u"A", u"B"});
    WriteBytes(a, original);
    BoxScript boxes;
    ChooserScript choosers;

    OpenFile(choosers, a);
    Change();
    boxes.Answer(IDCANCEL);
    SendMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_EQ(boxes.asked().back().owner, main_);
    EXPECT_EQ(boxes.asked().back().text, kSaveCurrent);
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_FALSE(QuitPosted());

    boxes.Answer(IDNO);
    SendMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_EQ(App().state, STATE_NONE);
    EXPECT_TRUE(QuitPosted());
    EXPECT_FALSE(FileExists(record_));
    EXPECT_EQ(ReadBytes(a), original);

    // Yes with a file: saved in place, record written, then the end.
    OpenFile(choosers, a);
    Retitle(1, u"B2");
    boxes.Answer(IDYES);
    SendMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(QuitPosted());
    EXPECT_EQ(App().state, STATE_NONE);
    const VqfDocument saved = LoadVqf(ReadBytes(a));
    ASSERT_TRUE(saved.item_list && saved.item_list->next);
    EXPECT_EQ(saved.item_list->next->title, u"B2");
    EXPECT_EQ(ReadBytes(record_), Record(a));

    // Log-off asks the same question. Cancel refuses the end of the session;
    // No lets it end but keeps the document until it really ends.
    OpenFile(choosers, a);
    Change();
    boxes.Answer(IDCANCEL);
    EXPECT_EQ(SendMessageW(main_, WM_QUERYENDSESSION, 0, 0), FALSE);
    boxes.Answer(IDNO);
    EXPECT_EQ(SendMessageW(main_, WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_EQ(boxes.asked().back().text, kSaveCurrent);
    SendMessageW(main_, WM_ENDSESSION, FALSE, 0);  // another program refused it
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_FALSE(QuitPosted());
    SendMessageW(main_, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(App().state, STATE_NONE);
    EXPECT_TRUE(QuitPosted());
}

// Every command first takes the field being typed in, as leaving it would:
// a menu command or a shortcut does not move the focus, and what is saved
// must be what the user sees.
TEST_F(DocumentTest, EveryCommandTakesTheFieldBeingTypedIn) {
    const std::wstring a = dir_.File(L"a.vqf");
    const struct {
        const char* name;
        std::vector<int> answers;
        std::function<void()> run;
    } cases[] = {
        {"menu save", {}, [&] { Command(IDM_FILE_SAVE); }},
        {"save shortcut", {}, [&] { Command(IDM_FILE_SAVE, 1); }},
        {"save as", {}, [&] { Command(IDM_FILE_SAVEAS); }},
        {"new, Yes", {IDYES}, [&] { Command(IDM_FILE_NEW); }},
        {"open, Yes, cancelled", {IDYES}, [&] { Command(IDM_FILE_OPEN); }},
        {"earlier version, Yes, cancelled", {IDYES}, [&] { Command(IDM_FILE_BACKUPS); }},
        {"close box, Yes", {IDYES}, [&] { SendMessageW(main_, WM_CLOSE, 0, 0); }},
        {"log-off, Yes", {IDYES}, [&] { SendMessageW(main_, WM_QUERYENDSESSION, 0, 0); }},
    };
    ShowWindow(main_, SW_SHOWNOACTIVATE);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(a, MakeFile({u"A"}));
        BoxScript boxes;
        ChooserScript choosers;
        OpenFile(choosers, a);
        choosers.SaveAnswer(a);  // save as: onto the same name, after the overwrite question
        choosers.OpenAnswer(L"");
        boxes.Answer(IDYES);
        for (int answer : c.answers) boxes.Answer(answer);
        SetFocus(Item(IDC_LOCATION));
        ASSERT_EQ(GetFocus(), Item(IDC_LOCATION));
        SetText(IDC_LOCATION, L"ここで");
        c.run();
        const VqfDocument saved = LoadVqf(ReadBytes(a));
        ASSERT_NE(saved.item_list, nullptr);
        EXPECT_EQ(saved.item_list->location, u"ここで");
        App().DeleteInstance();
        QuitPosted();
    }
}

// Another program, or a second copy of this one, saved the file since it was
// opened: a save in place asks before it replaces that work.
TEST_F(DocumentTest, SaveAsksWhenAnotherProgramChangedTheFile) {
    const std::wstring a = dir_.File(L"a.vqf");
    WriteBytes(a, MakeFile({u"A"}));
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Command(IDM_FILE_SAVE);  // unchanged since opened: nothing asked
    Command(IDM_FILE_SAVE);  // nor since saved
    EXPECT_TRUE(boxes.asked().empty());

    const Bytes theirs = MakeFile({u"X", u"Y"});
    WriteBytes(a, theirs);
    boxes.Answer(IDNO);
    Command(IDM_FILE_SAVE);
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0],
              (AskedBox{main_, L"ファイル「a.vqf」は、開いた後にほかのプログラムによって変更されています。上書きしますか？",
                        L"QUESTION", MB_YESNO | MB_ICONQUESTION}));
    EXPECT_EQ(ReadBytes(a), theirs);
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"A"});
    // No at close keeps the program open, as a failed save does.
    Change();
    boxes.Answer(IDYES);
    boxes.Answer(IDNO);
    SendMessageW(main_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(QuitPosted());
    EXPECT_EQ(ReadBytes(a), theirs);

    boxes.Answer(IDYES);
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(LoadVqf(ReadBytes(a)).item_list->title, u"A");
    // A file deleted meanwhile is simply written again.
    ASSERT_TRUE(DeleteFileW(a.c_str()));
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(boxes.asked().size(), 4u);
    EXPECT_TRUE(FileExists(a));
}

// A sync program that writes the same bytes again, or touches only the
// file's time, changed nothing of the user's: the save asks only when the
// content differs from what was opened or last saved here.
TEST_F(DocumentTest, SaveAsksOnlyWhenTheContentChanged) {
    const std::wstring a = dir_.File(L"a.vqf");
    Bytes trailing = MakeFile({u"A"});
    // Ignored by the reader, part of the file all the same; beyond the
    // reader's first buffer, so that it never reads them.
    trailing.resize(kVqfChunkSize + 3, 'x');
    Bytes other_byte = MakeFile({u"A"});
    other_byte[25] = 'B';  // the title, same size
    const auto same = [](const Bytes& b) { return std::optional<Bytes>(b); };
    const struct {
        const char* name;
        Bytes opened;
        bool saved_first;  // compared with the bytes saved here, not those opened
        std::function<std::optional<Bytes>(const Bytes&)> theirs;  // nothing: only the time is touched
        bool asked;
    } cases[] = {
        {"the same bytes again", MakeFile({u"A"}), false, same, false},
        {"the same bytes, those after the kinds too", trailing, false, same, false},
        {"the same bytes again after a save", MakeFile({u"A"}), true, same, false},
        {"only the time", MakeFile({u"A"}), false, [](const Bytes&) { return std::optional<Bytes>(); }, false},
        {"the same size, one byte other", other_byte, false, [&](const Bytes&) { return std::optional(MakeFile({u"A"})); }, true},
        {"other content after a save", MakeFile({u"A"}), true, [&](const Bytes&) { return std::optional(MakeFile({u"X"})); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(a, c.opened);
        BoxScript boxes;
        ChooserScript choosers;
        OpenFile(choosers, a);
        if (c.saved_first) {
            Change();
            Command(IDM_FILE_SAVE);
        }
        const std::optional<Bytes> theirs = c.theirs(ReadBytes(a));
        if (theirs) WriteBytes(a, *theirs);
        {
            const FILETIME long_ago{0x12345678u, 0x01C00000u};
            HANDLE h = CreateFileW(a.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &long_ago));
            CloseHandle(h);
        }
        SetText(IDC_STATUS, L"mine");
        Command(IDC_STATUS, EN_KILLFOCUS);
        if (c.asked) boxes.Answer(IDNO);
        Command(IDM_FILE_SAVE);
        EXPECT_EQ(boxes.asked().size(), c.asked ? 1u : 0u);
        EXPECT_EQ(ReadBytes(a), c.asked ? *theirs : WriteVqf(DocumentProbe::Items(), DocumentProbe::Kinds()));
        App().DeleteInstance();
    }
}

// Each save keeps the version it replaces, in a folder of its document's
// own: the ten newest, never a second copy of the same bytes. A version
// opened from there is saved under a name chosen anew.
TEST_F(DocumentTest, SavesKeepTheTenNewestVersionsOfEachDocument) {
    const std::wstring root = dir_.File(L"local\\backups");  // its folders are made as needed
    SetBackupsRoot(root);
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"x").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"y").c_str(), nullptr));
    const std::wstring a = dir_.File(L"x\\plan.vqf"), b = dir_.File(L"y\\plan.vqf");
    BoxScript boxes;
    ChooserScript choosers;
    Command(IDM_FILE_NEW);
    choosers.SaveAnswer(a);
    Command(IDM_FILE_SAVEAS);
    EXPECT_EQ(KeptVersions(a), std::vector<std::wstring>{});  // it replaced no file
    std::vector<Bytes> replaced;
    for (int i = 0; i < 12; ++i) {
        replaced.push_back(ReadBytes(a));
        SetText(IDC_LOCATION, L"版" + std::to_wstring(i));
        Command(IDC_LOCATION, EN_KILLFOCUS);
        Command(IDM_FILE_SAVE);
        if (i == 0) {
            ASSERT_EQ(KeptVersions(a).size(), 1u);
            EXPECT_EQ(ReadBytes(KeptVersions(a)[0]), replaced[0]);
            Command(IDM_FILE_SAVE);  // the same bytes again: no second copy
            EXPECT_EQ(KeptVersions(a).size(), 1u);
        }
    }
    // Versions 1 to 10 stay, byte for byte, each named after its document.
    std::vector<std::u16string> kept;
    for (const std::wstring& version : KeptVersions(a)) {
        const Bytes bytes = ReadBytes(version);
        EXPECT_NE(std::find(replaced.begin(), replaced.end(), bytes), replaced.end());
        kept.push_back(LoadVqf(bytes).item_list->location);
        EXPECT_EQ(FileNameOf(version).rfind(L"plan 20", 0), 0u) << testing::PrintToString(version);
    }
    std::sort(kept.begin(), kept.end());
    std::vector<std::u16string> newest;
    for (int i = 1; i <= 10; ++i) newest.push_back(u"版" + ToU16(std::to_wstring(i)));
    std::sort(newest.begin(), newest.end());
    EXPECT_EQ(kept, newest);

    // Another document of the same name keeps its own; the path counts
    // without its case, as Windows compares it.
    choosers.SaveAnswer(b);
    Command(IDM_FILE_SAVEAS);
    Change();
    Command(IDM_FILE_SAVE);
    ASSERT_EQ(KeptVersions(b).size(), 1u);
    EXPECT_EQ(KeptVersions(a).size(), 10u);
    const std::wstring folder_b = BackupFolderOf(b, false);
    EXPECT_NE(folder_b, BackupFolderOf(a, false));
    const auto upper = [](std::wstring path) {
        CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
        return path;
    };
    EXPECT_EQ(upper(BackupFolderOf(upper(b), false)), upper(folder_b));
    // A folder of that name that another document holds (the hash of its
    // path collided) is passed over.
    WriteBytes(folder_b + L"\\document.dat", EncodeLastFileRecord(u"C:\\elsewhere\\plan.vqf"));
    SetText(IDC_LOCATION, L"again");
    Command(IDC_LOCATION, EN_KILLFOCUS);
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(BackupFolderOf(b, false), folder_b + L"-2");
    ASSERT_EQ(KeptVersions(b).size(), 1u);
    EXPECT_EQ(Listing(folder_b).size(), 2u);  // its record and its one version
    EXPECT_TRUE(boxes.asked().empty());

    // 以前の版を開く opens the chooser in the document's folder; the version
    // opened is saved under a name chosen anew, starting at its document.
    const std::wstring version = KeptVersions(b)[0];
    const Bytes version_bytes = ReadBytes(version);
    choosers.OpenAnswer(version);
    Command(IDM_FILE_BACKUPS);
    EXPECT_EQ(choosers.started_in().back(), folder_b + L"-2");
    ASSERT_EQ(App().file_path, version);
    Change();
    choosers.SaveAnswer(L"");
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(choosers.save_started_with().back(), b);
    EXPECT_EQ(ReadBytes(version), version_bytes);
    choosers.SaveAnswer(b);
    boxes.Answer(IDYES);  // the overwrite question
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(App().file_path, b);
    EXPECT_EQ(ReadBytes(version), version_bytes);
    EXPECT_EQ(KeptVersions(b).size(), 2u);  // the version it replaced
    // Without a document, among every document's folders.
    App().DeleteInstance();
    choosers.OpenAnswer(L"");
    Command(IDM_FILE_BACKUPS);
    EXPECT_EQ(choosers.started_in().back(), root);

    // Where no version can be kept, the save goes on as ever, silently.
    SetBackupsRoot(b + L"\\backups");  // under a file: never made
    OpenFile(choosers, a);
    Change();
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(ReadBytes(a), WriteVqf(DocumentProbe::Items(), DocumentProbe::Kinds()));
    EXPECT_FALSE(App().Modified());
}

TEST_F(DocumentTest, YesThenCancelledSaveAsKeepsTheDocument) {
    BoxScript boxes;
    ChooserScript choosers;
    Command(IDM_FILE_NEW);
    Change();
    // Close, new and open: Yes, then the save-as chooser is cancelled.
    boxes.Answer(IDYES);
    choosers.SaveAnswer(L"");
    SendMessageW(main_, WM_CLOSE, 0, 0);
    boxes.Answer(IDYES);
    choosers.SaveAnswer(L"");
    Command(IDM_FILE_NEW);
    boxes.Answer(IDYES);
    choosers.SaveAnswer(L"");
    Command(IDM_FILE_OPEN);
    EXPECT_EQ(choosers.save_started_with().size(), 3u);
    EXPECT_TRUE(choosers.open_started_with().empty());
    EXPECT_FALSE(QuitPosted());
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(Titles(), std::vector<std::u16string>{u"NewAction"});
    EXPECT_EQ(Listing(dir_.path()), std::vector<std::wstring>{});
}

// Every way a save can fail leaves the previous file byte for byte, no
// temporary file, the document and its name unchanged, and an error box.
TEST_F(DocumentTest, FailedSavesKeepThePreviousFile) {
    const std::wstring a = dir_.File(L"a.vqf");
    const Bytes original = MakeFile({u"A", u"B"}, {u"k"});
    WriteBytes(a, original);
    WriteBytes(record_, Record(L"C:\\before.vqf"));
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Retitle(0, u"changed");

    // The box names the file and, on its second line, the system's reason.
    auto expect_failure = [&](const char* name, const std::wstring& target, DWORD reason) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(boxes.asked().empty());
        EXPECT_EQ(boxes.asked().back().caption, L"ERROR");
        EXPECT_EQ(boxes.asked().back().text,
                  L"ファイル「" + target + L"」を保存できませんでした。\n" + SystemErrorText(reason));
        EXPECT_EQ(boxes.unused(), 0u);
        EXPECT_EQ(ReadBytes(a), original);
        EXPECT_EQ(ReadBytes(record_), Record(L"C:\\before.vqf"));
        EXPECT_EQ(App().state, STATE_OPEN);
        EXPECT_EQ(App().file_path, a);
        EXPECT_EQ(Title(), L"Velquorandimestra [ a.vqf ]");
        EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"changed", u"B"}));
    };

    const std::pair<SaveStage, DWORD> stages[] = {{SaveStage::CreateTemp, ERROR_ACCESS_DENIED},
                                                  {SaveStage::Write, ERROR_DISK_FULL},
                                                  {SaveStage::Flush, ERROR_DISK_FULL},
                                                  {SaveStage::Close, ERROR_DISK_FULL},
                                                  {SaveStage::Replace, ERROR_ACCESS_DENIED}};
    for (const auto& [stage, reason] : stages) {
        SetSaveFaultHook([stage](SaveStage s) { return s == stage; });
        boxes.Answer(IDOK);
        Command(IDM_FILE_SAVE);
        expect_failure(("stage " + std::to_string(static_cast<int>(stage))).c_str(), a, reason);
        EXPECT_EQ(Listing(dir_.path()), (std::vector<std::wstring>{L"a.vqf", L"app.dat"}));
    }
    SetSaveFaultHook({});

    // Save as onto a failing target keeps the old name and title too.
    const std::wstring other = dir_.File(L"other.vqf");
    SetSaveFaultHook([](SaveStage s) { return s == SaveStage::Write; });
    choosers.SaveAnswer(other);
    boxes.Answer(IDOK);
    Command(IDM_FILE_SAVEAS);
    expect_failure("save as", other, ERROR_DISK_FULL);
    EXPECT_FALSE(FileExists(other));
    SetSaveFaultHook({});

    // Yes at close, then a failed save: the program stays open.
    SetSaveFaultHook([](SaveStage s) { return s == SaveStage::Replace; });
    boxes.Answer(IDYES);
    boxes.Answer(IDOK);
    SendMessageW(main_, WM_CLOSE, 0, 0);
    expect_failure("close", a, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(QuitPosted());
    SetSaveFaultHook({});

    // A read-only target file.
    ASSERT_TRUE(SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_READONLY));
    boxes.Answer(IDOK);
    Command(IDM_FILE_SAVE);
    expect_failure("read-only file", a, ERROR_ACCESS_DENIED);
    // The reason is the system's own words, not a code.
    EXPECT_EQ(SystemErrorText(ERROR_ACCESS_DENIED).find(L"0x"), std::wstring::npos);
    SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_NORMAL);

    // With nothing failing, the same document saves.
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(ReadBytes(a), WriteVqf(DocumentProbe::Items(), DocumentProbe::Kinds()));
    EXPECT_EQ(ReadBytes(record_), Record(a));
}

// Targets that cannot be written: a folder that is gone, and a file that
// another program holds open without sharing.
TEST_F(DocumentTest, SaveToUnwritablePlacesFails) {
    const std::wstring a = dir_.File(L"a.vqf");
    const Bytes original = MakeFile({u"A"});
    WriteBytes(a, original);
    BoxScript boxes;
    ChooserScript choosers;
    OpenFile(choosers, a);
    Retitle(0, u"changed");

    const std::wstring gone = dir_.File(L"gone\\b.vqf");
    choosers.SaveAnswer(gone);
    boxes.Answer(IDOK);
    Command(IDM_FILE_SAVEAS);
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].caption, L"ERROR");
    EXPECT_NE(boxes.asked()[0].text.find(gone), std::wstring::npos);
    EXPECT_EQ(App().file_path, a);

    HANDLE holder = CreateFileW(a.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    boxes.Answer(IDOK);
    Command(IDM_FILE_SAVE);
    CloseHandle(holder);
    ASSERT_EQ(boxes.asked().size(), 2u);
    EXPECT_EQ(boxes.asked()[1].caption, L"ERROR");
    EXPECT_EQ(ReadBytes(a), original);
    EXPECT_EQ(Listing(dir_.path()), std::vector<std::wstring>{L"a.vqf"});
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_FALSE(FileExists(record_));
}

// A document of several megabytes passes through the 1 MiB buffer on open
// and on save: every record arrives, the file written is the same, a save
// that fails midway keeps the old file whole, and a file cut short after its
// first megabyte leaves no document.
TEST_F(DocumentTest, FilesLargerThanTheBufferOpenSaveAndFailWhole) {
    const VqfDocument sample = MakeSampleDocument(5000, 11);
    const Bytes bytes = WriteVqf(sample.item_list.get(), sample.action_kinds.get());
    ASSERT_GT(bytes.size(), 3 * kVqfChunkSize);
    const std::wstring big = dir_.File(L"big.vqf"), cut = dir_.File(L"cut.vqf");
    WriteBytes(big, bytes);
    WriteBytes(cut, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(2 * kVqfChunkSize + 1000)));
    BoxScript boxes;
    ChooserScript choosers;

    OpenFile(choosers, big);
    ASSERT_EQ(App().state, STATE_OPEN);
    EXPECT_TRUE(boxes.asked().empty());
    EXPECT_EQ(CountItems(DocumentProbe::Items()), 5000u);
    EXPECT_EQ(WriteVqf(DocumentProbe::Items(), DocumentProbe::Kinds()), bytes);

    Command(IDM_FILE_SAVE);
    EXPECT_EQ(ReadBytes(big), bytes);

    // Half of the first chunk reaches the temporary file, then the disk is
    // full: the target keeps every byte and the temporary file is gone.
    DocumentProbe::Change(0, [](_EDIT_ITEM& r) { r.status = u"changed"; });
    SetSaveFaultHook([](SaveStage s) { return s == SaveStage::Write; });
    boxes.Answer(IDOK);
    Command(IDM_FILE_SAVE);
    SetSaveFaultHook({});
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxes.asked()[0].caption, L"ERROR");
    EXPECT_EQ(ReadBytes(big), bytes);
    EXPECT_EQ(Listing(dir_.path()), (std::vector<std::wstring>{L"app.dat", L"big.vqf", L"cut.vqf"}));

    // Cut short two megabytes in: refused after records were already read.
    boxes.Answer(IDNO);
    boxes.Answer(IDOK);
    choosers.OpenAnswer(cut);
    Command(IDM_FILE_OPEN);
    ASSERT_EQ(boxes.asked().size(), 3u);
    EXPECT_EQ(boxes.asked()[2].text, L"入力ファイルの形式が非対応です");
    EXPECT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(CountItems(DocumentProbe::Items()), 5000u);
    EXPECT_EQ(App().file_path, big);
}

// A save replaces the file's content and keeps the file itself: attributes
// and creation time stay, also where the final step falls back to a move.
// Its temporary file has a short name of its own, so that a path close to
// the classic 260-unit limit does not overflow it.
TEST_F(DocumentTest, SaveKeepsTheFilesIdentityAndAShortTemporaryName) {
    const std::wstring long_name = L"plan" + std::wstring(241 - dir_.path().size(), L'p') + L".vqf";
    const std::wstring long_target = dir_.File(long_name);
    ASSERT_EQ(long_target.size(), 250u);
    const std::wstring a = dir_.File(L"a.vqf");
    WriteBytes(record_, {});
    const struct {
        const char* name;
        std::wstring path;
        DWORD attributes;
        bool fall_back;
    } cases[] = {
        {"hidden", a, FILE_ATTRIBUTE_HIDDEN, false},
        {"hidden, moved over", a, FILE_ATTRIBUTE_HIDDEN, true},
        {"long path", long_target, FILE_ATTRIBUTE_ARCHIVE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(c.path, MakeFile({u"A"}));
        const FILETIME created{0x12345678u, 0x01C00000u};  // 1987
        {
            HANDLE h = CreateFileW(c.path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            SetFileTime(h, &created, nullptr, nullptr);
            CloseHandle(h);
        }
        ASSERT_TRUE(SetFileAttributesW(c.path.c_str(), c.attributes));
        WIN32_FILE_ATTRIBUTE_DATA before{};
        ASSERT_TRUE(GetFileAttributesExW(c.path.c_str(), GetFileExInfoStandard, &before));
        const std::vector<std::wstring> files = Listing(dir_.path());
        // Wine keeps no creation time of its own (it reports the last
        // change): the time is checked where the file system holds it.
        const bool holds_creation = CompareFileTime(&before.ftCreationTime, &created) == 0;
        BoxScript boxes;
        ChooserScript choosers;
        OpenFile(choosers, c.path);
        DocumentProbe::Change(0, [](_EDIT_ITEM& r) { r.location = u"changed"; });
        std::vector<std::wstring> temporary;
        SetSaveFaultHook([&](SaveStage s) {
            if (s == SaveStage::Replace)
                for (const std::wstring& f : Listing(dir_.path()))
                    if (std::find(files.begin(), files.end(), f) == files.end()) temporary.push_back(f);
            return c.fall_back && s == SaveStage::KeepIdentity;
        });
        Command(IDM_FILE_SAVE);
        SetSaveFaultHook({});
        EXPECT_TRUE(boxes.asked().empty());
        EXPECT_EQ(ReadBytes(c.path), WriteVqf(DocumentProbe::Items(), nullptr));
        ASSERT_EQ(temporary.size(), 1u);
        EXPECT_LE(temporary[0].size(), 12u) << testing::PrintToString(temporary[0]);
        WIN32_FILE_ATTRIBUTE_DATA after{};
        ASSERT_TRUE(GetFileAttributesExW(c.path.c_str(), GetFileExInfoStandard, &after));
        EXPECT_EQ(after.dwFileAttributes, before.dwFileAttributes);
        if (holds_creation) {
            EXPECT_EQ(CompareFileTime(&after.ftCreationTime, &before.ftCreationTime), 0);
        }
        EXPECT_EQ(Listing(dir_.path()), files);
        App().DeleteInstance();
        SetFileAttributesW(c.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// A document under a path longer than the 2048-unit chooser buffer: the
// last-file record reopens it, it saves, and save as starts from its whole
// path.
TEST_F(DocumentTest, PathsLongerThanTheChooserBufferReopenAndSave) {
    std::wstring folder = dir_.path();
    while (folder.size() < 2100) {
        folder += L"\\" + std::wstring(240, L'd');
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    }
    const std::wstring path = folder + L"\\plan.vqf";
    WriteBytes(path, MakeFile({u"A"}));
    WriteBytes(record_, Record(path));
    App().InitInstance();
    ASSERT_EQ(App().state, STATE_OPEN);
    EXPECT_EQ(App().file_path, path);
    BoxScript boxes;
    ChooserScript choosers;
    DocumentProbe::Change(0, [](_EDIT_ITEM& r) { r.location = u"changed"; });
    Command(IDM_FILE_SAVE);
    EXPECT_TRUE(boxes.asked().empty());
    EXPECT_EQ(ReadBytes(path), WriteVqf(DocumentProbe::Items(), nullptr));
    choosers.SaveAnswer(L"");
    Command(IDM_FILE_SAVEAS);
    ASSERT_EQ(choosers.save_started_with().size(), 1u);
    EXPECT_EQ(choosers.save_started_with()[0], path);
    App().DeleteInstance();
}

// Where the program's folder cannot be written the record goes to the user's
// own, read from there while the program's is missing; a save never fails
// for the record.
TEST_F(DocumentTest, RecordFallsBackToTheUsersFolderWhereTheProgramsIsReadOnly) {
    const std::wstring a = dir_.File(L"a.vqf"), b = dir_.File(L"b.vqf");
    const std::wstring users = dir_.File(L"local\\Velquorandimestra\\app.dat");
    const std::wstring read_only = a + L"\\app.dat";  // under a file: can never be created
    for (const std::wstring& f : {a, b}) WriteBytes(f, MakeFile({u"A"}));
    BoxScript boxes;
    ChooserScript choosers;
    struct Case {
        const char* name;
        std::wstring beside, fallback, saved, reopened, users_names;  // empty: none
    } cases[] = {
        {"beside the program", record_, users, a, a, L""},
        {"read-only: the user's folder", read_only, users, b, b, b},
        {"the program's own first", record_, users, a, a, b},
        {"neither writable", read_only, read_only, b, L"", b},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastFileRecordPath(c.beside);
        SetLastFileRecordFallbackPath(c.fallback);
        OpenFile(choosers, c.saved);
        Command(IDM_FILE_SAVE);
        EXPECT_TRUE(boxes.asked().empty());
        EXPECT_EQ(ReadBytes(record_), Record(a));
        EXPECT_EQ(ReadBytes(users), c.users_names.empty() ? Bytes{} : Record(c.users_names));
        App().DeleteInstance();
        App().InitInstance();
        EXPECT_EQ(App().file_path, c.reopened);
        App().DeleteInstance();
    }
}

TEST_F(DocumentTest, DefaultRecordSitsBesideTheExecutable) {
    SetLastFileRecordPath({});
    wchar_t exe[2048];
    GetModuleFileNameW(nullptr, exe, 2048);
    std::wstring expected = exe;
    expected.replace(expected.size() - 3, 3, L"dat");
    EXPECT_EQ(LastFileRecordPath(), expected);
}

}  // namespace
