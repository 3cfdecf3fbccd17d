// Files that cannot be read or written as asked: a .vqf that is a folder, one
// that another process holds open, one without read permission, and saves
// that fail at every step of every path that saves. Each gets a clear
// answer, and nothing is lost: neither the file on disk nor the document.
#include <windows.h>
#include <aclapi.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "VelquorandimestraFile.h"
#include "Backups.h"
#include "DocumentProbe.h"
#include "Harness.h"
#include "ItemChain.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes MakeFile(std::initializer_list<const char16_t*> titles) {
    std::vector<_EDIT_ITEM> items;
    int day = 1;
    for (const char16_t* t : titles) {
        _EDIT_ITEM& item = items.emplace_back();
        item.title = t;
        item.planned_end = {2030, 2, day++, 5, 6};
    }
    return WriteVqf(ItemChain(items).get(), KindList({u"会議"}).get());
}


bool QuitPosted() {
    MSG m;
    return PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

bool IsFolder(const std::wstring& path) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// Everything of the open document that the user could lose or see change.
struct Snapshot {
    int state;
    Bytes content;
    std::wstring path, name, title;
    std::vector<std::wstring> lines;
    bool operator==(const Snapshot&) const = default;
};

constexpr wchar_t kHoldPath[] = L"VQ_HOLD_FILE";
constexpr wchar_t kHoldReady[] = L"VQ_HOLD_READY";
constexpr wchar_t kHoldRelease[] = L"VQ_HOLD_RELEASE";

std::wstring Env(const wchar_t* name) {
    wchar_t buffer[1024];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 1024);
    return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

// Another process that opens a file without sharing and keeps it open until
// released: this test program itself, run with the holder test only.
class OtherProcessHolds {
public:
    explicit OtherProcessHolds(const std::wstring& path) {
        const std::wstring tag = std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count_);
        const std::wstring ready_name = L"vq-hold-ready-" + tag, release_name = L"vq-hold-release-" + tag;
        ready_ = CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str());
        release_ = CreateEventW(nullptr, TRUE, FALSE, release_name.c_str());
        SetEnvironmentVariableW(kHoldPath, path.c_str());
        SetEnvironmentVariableW(kHoldReady, ready_name.c_str());
        SetEnvironmentVariableW(kHoldRelease, release_name.c_str());
        wchar_t exe[2048];
        GetModuleFileNameW(nullptr, exe, 2048);
        std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=FileHolder.HoldsTheFileNamedInItsEnvironment";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        started_ = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &si, &pi) != FALSE;
        SetEnvironmentVariableW(kHoldPath, nullptr);
        SetEnvironmentVariableW(kHoldReady, nullptr);
        SetEnvironmentVariableW(kHoldRelease, nullptr);
        if (started_) {
            process_ = pi.hProcess;
            CloseHandle(pi.hThread);
            started_ = WaitForSingleObject(ready_, 30000) == WAIT_OBJECT_0;
        }
    }
    ~OtherProcessHolds() { Release(); }
    bool holding() const { return started_; }
    void Release() {
        if (release_) SetEvent(release_);
        if (process_) {
            WaitForSingleObject(process_, 30000);
            CloseHandle(process_);
            process_ = nullptr;
        }
        for (HANDLE* h : {&ready_, &release_})
            if (*h) {
                CloseHandle(*h);
                *h = nullptr;
            }
    }

private:
    static inline int count_ = 0;
    HANDLE ready_ = nullptr, release_ = nullptr, process_ = nullptr;
    bool started_ = false;
};

// The holder's side; skipped in an ordinary run.
TEST(FileHolder, HoldsTheFileNamedInItsEnvironment) {
    const std::wstring path = Env(kHoldPath);
    if (path.empty()) GTEST_SKIP() << "only runs as the holding process";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, Env(kHoldReady).c_str());
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, Env(kHoldRelease).c_str());
    ASSERT_TRUE(ready && release);
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    CloseHandle(file);
    CloseHandle(ready);
    CloseHandle(release);
}

class HostileFilesTest : public MainDialogTest {
protected:
    void SetUp() override {
        MainDialogTest::SetUp();
        record_ = dir_.File(L"app.dat");
        SetLastFileRecordPath(record_);
        good_ = dir_.File(L"good.vqf");
        WriteBytes(good_, MakeFile({u"A", u"B", u"C"}));
    }
    void TearDown() override {
        SetSaveFaultHook({});
        MainDialogTest::TearDown();
        SetLastFileRecordPath({});
    }
    void Open(const std::wstring& path) {
        choosers_.OpenAnswer(path);
        Command(IDM_FILE_OPEN);
    }
    Snapshot Take() const {
        return {App().state, WriteVqf(DocumentProbe::Items(), DocumentProbe::Kinds()), App().file_path,
                App().file_name, Title(), Lines()};
    }
    // One error box about `path` was the last thing asked.
    void ExpectErrorAbout(const std::wstring& path) {
        ASSERT_FALSE(boxes_.asked().empty());
        EXPECT_EQ(boxes_.asked().back().caption, L"ERROR");
        EXPECT_NE(boxes_.asked().back().text.find(path), std::wstring::npos) << path;
        EXPECT_EQ(boxes_.unused(), 0u);
    }

    // Save As onto `target`, yes to replacing it: refused with an error about
    // it, and the document as it was before.
    void SaveAsRefused(const std::wstring& target, const Snapshot& before) {
        choosers_.SaveAnswer(target);
        boxes_.Answer(IDYES);
        boxes_.Answer(IDOK);
        Command(IDM_FILE_SAVEAS);
        ExpectErrorAbout(target);
        EXPECT_EQ(Take(), before);
    }

    TempDir dir_;
    std::wstring record_, good_;
    BoxScript boxes_;
    ChooserScript choosers_;
};

TEST_F(HostileFilesTest, VqfThatIsAFolder) {
    const std::wstring folder = dir_.File(L"folder.vqf");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

    // Opening it: an error naming it, no document, the program goes on.
    boxes_.Answer(IDOK);
    Open(folder);
    ExpectErrorAbout(folder);
    EXPECT_EQ(App().state, STATE_NONE);
    EXPECT_FALSE(QuitPosted());

    // Named by the last-file record: the start is silent, without a document.
    WriteBytes(record_, EncodeLastFileRecord(ToU16(folder)));
    App().InitInstance();
    EXPECT_EQ(App().state, STATE_NONE);

    // Saving over it: asked to overwrite, refused with an error; the folder
    // and the document stay as they were.
    Open(good_);
    ASSERT_EQ(App().state, STATE_OPEN);
    DocumentProbe::Change(0, [](_EDIT_ITEM& r) { r.status = u"unsaved"; });
    const Snapshot before = Take();
    SaveAsRefused(folder, before);
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_EQ(Listing(dir_.path()), (std::vector<std::wstring>{L"app.dat", L"folder.vqf", L"good.vqf"}));

    // A last-file record that is a folder: the document is still saved; only
    // the record is not written, and that is not worth a box.
    SetLastFileRecordPath(folder);
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(ReadBytes(good_), before.content);
    EXPECT_TRUE(IsFolder(folder));
}

TEST_F(HostileFilesTest, VqfLockedByAnotherProcess) {
    const std::wstring locked = dir_.File(L"locked.vqf");
    const Bytes locked_bytes = MakeFile({u"L"});
    WriteBytes(locked, locked_bytes);
    WriteBytes(record_, EncodeLastFileRecord(ToU16(locked)));
    OtherProcessHolds holder(locked);
    ASSERT_TRUE(holder.holding());

    App().InitInstance();  // reopening it at start-up: silently nothing
    EXPECT_EQ(App().state, STATE_NONE);

    boxes_.Answer(IDOK);
    Open(locked);
    ExpectErrorAbout(locked);
    EXPECT_EQ(App().state, STATE_NONE);

    // Saving over it: the replace cannot happen; the error names it, the
    // temporary file is gone, the document keeps its own name.
    Open(good_);
    DocumentProbe::Change(0, [](_EDIT_ITEM& r) { r.status = u"unsaved"; });
    const Snapshot before = Take();
    SaveAsRefused(locked, before);
    EXPECT_EQ(Listing(dir_.path()), (std::vector<std::wstring>{L"app.dat", L"good.vqf", L"locked.vqf"}));

    // The other process now holds the last-file record: the save itself goes
    // through, the record keeps what it said.
    holder.Release();
    EXPECT_EQ(ReadBytes(locked), locked_bytes);
    const Bytes record_before = ReadBytes(record_);
    OtherProcessHolds record_holder(record_);
    ASSERT_TRUE(record_holder.holding());
    Command(IDM_FILE_SAVE);
    record_holder.Release();
    EXPECT_EQ(ReadBytes(good_), before.content);
    EXPECT_EQ(ReadBytes(record_), record_before);
}

TEST_F(HostileFilesTest, VqfWithoutReadPermission) {
    const std::wstring secret = dir_.File(L"secret.vqf");
    WriteBytes(secret, MakeFile({u"S"}));
    // Deny reading to everyone.
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = GENERIC_READ;
    deny.grfAccessMode = DENY_ACCESS;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &deny, nullptr, &acl), static_cast<DWORD>(ERROR_SUCCESS));
    std::wstring name = secret;
    const DWORD set = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                            nullptr, acl, nullptr);
    LocalFree(acl);
    FreeSid(everyone);
    HANDLE probe = CreateFileW(secret.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "this system does not enforce the read denial (SetNamedSecurityInfoW returned " << set
                     << "); Wine keeps file ACLs without applying them";
    }
    boxes_.Answer(IDOK);
    Open(secret);
    ExpectErrorAbout(secret);
    EXPECT_EQ(App().state, STATE_NONE);
}

// Every step of a save fails in turn, in every path that saves: save, save
// as to a new name, save as over another file, and Yes to the save-current
// question of new, open and close. Each time the files on disk are exactly as
// before, no temporary file is left, the user is told, and the document in
// memory and on screen is unchanged, and no earlier version is kept.
TEST_F(HostileFilesTest, EverySaveFaultInEverySavingPath) {
    const TempDir versions;
    SetBackupsRoot(versions.File(L"backups"));
    const std::wstring other = dir_.File(L"other.vqf"), fresh = dir_.File(L"fresh.vqf");
    const Bytes good_bytes = ReadBytes(good_), other_bytes = MakeFile({u"O"});
    WriteBytes(other, other_bytes);
    const Bytes record_bytes = EncodeLastFileRecord(u"C:\\before.vqf");
    WriteBytes(record_, record_bytes);
    Open(good_);
    ASSERT_EQ(App().state, STATE_OPEN);
    // Unsaved, differs from the file.
    DocumentProbe::Change(0, [](_EDIT_ITEM& r) { r.status = u"変更あり"; });
    const Snapshot before = Take();
    ASSERT_NE(before.content, good_bytes);
    const std::size_t choosers_opened = choosers_.open_started_with().size();

    struct Path {
        const char* name;
        std::function<void()> run;
        std::wstring target;
    };
    const std::vector<Path> paths = {
        {"save", [&] { boxes_.Answer(IDOK); Command(IDM_FILE_SAVE); }, good_},
        {"save as, new name", [&] { choosers_.SaveAnswer(fresh); boxes_.Answer(IDOK); Command(IDM_FILE_SAVEAS); }, fresh},
        {"save as over another file",
         [&] { choosers_.SaveAnswer(other); boxes_.Answer(IDYES); boxes_.Answer(IDOK); Command(IDM_FILE_SAVEAS); }, other},
        {"new, Yes", [&] { boxes_.Answer(IDYES); boxes_.Answer(IDOK); Command(IDM_FILE_NEW); }, good_},
        {"open, Yes", [&] { boxes_.Answer(IDYES); boxes_.Answer(IDOK); Command(IDM_FILE_OPEN); }, good_},
        {"close, Yes", [&] { boxes_.Answer(IDYES); boxes_.Answer(IDOK); SendMessageW(main_, WM_CLOSE, 0, 0); }, good_},
    };
    const SaveStage stages[] = {SaveStage::CreateTemp, SaveStage::Write, SaveStage::Flush, SaveStage::Close,
                                SaveStage::Replace};
    int faults = 0;
    for (const Path& path : paths)
        for (SaveStage stage : stages) {
            SCOPED_TRACE(std::string(path.name) + ", stage " + std::to_string(static_cast<int>(stage)));
            int reached = 0;
            SetSaveFaultHook([&](SaveStage s) {
                ++reached;
                return s == stage;
            });
            path.run();
            SetSaveFaultHook({});
            ASSERT_EQ(reached, static_cast<int>(stage) + 1) << "the save stopped before the failing step";
            ++faults;
            ExpectErrorAbout(path.target);
            EXPECT_EQ(ReadBytes(good_), good_bytes);
            EXPECT_EQ(ReadBytes(other), other_bytes);
            EXPECT_EQ(ReadBytes(record_), record_bytes);
            EXPECT_FALSE(FileExists(fresh));
            EXPECT_EQ(Listing(dir_.path()), (std::vector<std::wstring>{L"app.dat", L"good.vqf", L"other.vqf"}));
            EXPECT_EQ(KeptVersions(good_), std::vector<std::wstring>{});
            EXPECT_EQ(KeptVersions(other), std::vector<std::wstring>{});
            EXPECT_EQ(Take(), before);
            EXPECT_EQ(choosers_.open_started_with().size(), choosers_opened);  // open stopped before its chooser
            EXPECT_FALSE(QuitPosted());
            EXPECT_TRUE(IsWindow(main_));
        }
    EXPECT_EQ(faults, 30);
    std::printf("[ faults   ] %d save faults injected, previous files intact after each\n", faults);

    // Nothing failing: the same document is saved.
    Command(IDM_FILE_SAVE);
    EXPECT_EQ(ReadBytes(good_), before.content);
    EXPECT_EQ(ReadBytes(record_), EncodeLastFileRecord(ToU16(good_)));
    // and the version it replaced is kept.
    const std::vector<std::wstring> kept = KeptVersions(good_);
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(ReadBytes(kept[0]), good_bytes);
}

}  // namespace
