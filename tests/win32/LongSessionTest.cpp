// A long session of random commands on the real dialog: add, delete, show a
// line, edit every field, pick kinds, edit the kind list, save and reopen.
// After every command the list box must equal the schedule list, every line
// must be the title of exactly one record (and every record have a line),
// the detail controls must show a record as it is, the combo box must mirror
// the kinds, and whatever is saved must reopen as the same document.
//
// Each command costs 0.1 to 0.2 s of wall time under Wine on a busy two-core
// machine (mostly waiting on the Wine and X servers), so the default run is
// 1,000 commands, under three minutes. VQ_SESSION_COMMANDS sets the number
// (10,000 for the long local run) and VQ_SESSION_SEED the seed.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>

#include "VelquorandimestraFile.h"
#include "DocumentProbe.h"
#include "Harness.h"
#include "ItemChain.h"
#include "ItemTitles.h"
#include "Velquorandimestra.h"
#include "VqfCodec.h"
#include "WideText.h"
#include "library.h"
#include "resource.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

// The 25 date-time edits, row by row.
constexpr int kDateEdits[] = {40050, 40051, 40053, 40054, 40055, 40056, 40057, 40058, 40059, 40060,
                              40061, 40062, 40063, 40064, 40065, 40066, 40067, 40068, 40069, 40070,
                              40072, 40073, 40074, 40075, 40076};

class LongSessionTest : public MainDialogTest {
protected:
    Bytes Content() const { return WriteVqf(DocumentProbe::Items(), DocumentProbe::Kinds()); }

    // The invariants; an empty result when they hold, else what broke.
    std::string Broken() const {
        if (App().state != STATE_OPEN || !DocumentProbe::Items() || !App().schedule || !App().editor)
            return "no open document";
        const std::vector<std::wstring> lines = Lines();
        const ActionDocument& document = DocumentProbe::Document();
        std::vector<std::wstring> mirrored;
        for (std::size_t i = 0; i < document.LineCount(); ++i)
            mirrored.push_back(ToWide(ShownText(document.LineRecord(i)->title)));
        if (lines != mirrored) return "list box lines differ from the document's";
        std::map<std::wstring, int> records;
        for (const _ITEM_LIST* r : ChainNodes(DocumentProbe::Items()))
            ++records[ToWide(ShownText(r->title))];
        for (const auto& [title, count] : records)
            if (count != 1) return "title held by " + std::to_string(count) + " records";
        if (records.size() != lines.size()) return "records and lines differ in number";
        for (const std::wstring& line : lines)
            if (!records.count(line)) return "a line without a record";
        const _EDIT_ITEM& shown = *App().editor->GetItem();
        const _ITEM_LIST* record = DocumentProbe::Find(ShownText(shown.title));
        if (!record || !(static_cast<const _EDIT_ITEM&>(*record) == shown)) return "the shown item is no record";
        if (Text(IDC_TITLE) != ToWide(ShownText(shown.title))) return "the title edit shows another title";
        std::vector<std::wstring> kinds;
        for (const std::u16string& kind : KindTexts(DocumentProbe::Kinds())) kinds.push_back(ToWide(kind));
        if (ComboEntries() != kinds) return "combo box entries differ from the kinds";
        return {};
    }
};

TEST_F(LongSessionTest, RandomCommandsKeepListScheduleAndRecordsInStep) {
    const long commands = EnvNumber("VQ_SESSION_COMMANDS", 1000);
    std::mt19937 rng(static_cast<unsigned>(EnvNumber("VQ_SESSION_SEED", 20240607)));
    auto below = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };

    TempDir dir;
    SetLastFileRecordPath(dir.File(L"app.dat"));
    const std::wstring file = dir.File(L"session.vqf");
    std::int64_t now = UtcSeconds(2024, 3, 1, 0, 0);
    FixedClock clock(now);
    BoxScript boxes;
    ChooserScript choosers;

    Command(IDM_FILE_NEW);
    choosers.SaveAnswer(file);
    Command(IDM_FILE_SAVEAS);
    ASSERT_EQ(App().file_path, file);
    Bytes saved = ReadBytes(file);
    ASSERT_EQ(saved, Content());

    const std::vector<std::wstring> kTitles = {L"Plan", L"NewAction", L"NewAction1", L"", L"会議の準備", L"Plan1",
                                               L"a b", std::wstring(2100, L'長'), L"𠮷田"};
    const std::vector<std::wstring> kNumbers = {L"0",  L"1",  L"12", L"13", L"-1", L"", L" 7",   L"2024", L"99999",
                                                L"x",  L"31", L"29", L"60", L"61", L"24", L"25", L"2147483647",
                                                L"2147483648", L"007", L"-", L"1 ", L"+5", L"2"};
    const std::vector<std::wstring> kTexts = {L"", L"本社", L"line 1\r\nline 2", std::wstring(3000, L'x'), L"\xD800?"};
    const std::vector<std::wstring> kKinds = {L"会議", L"作業", L"外出", L"Work", L"work", L""};

    std::map<std::string, long> ran;
    std::map<std::string, double> spent;
    int check_failures = 0;
    std::string last_command;
    const auto started = std::chrono::steady_clock::now();
    for (long step = 0; step < commands; ++step) {
        now += 60 * static_cast<std::int64_t>(below(3000));
        clock.Set(now);
        const int lines = static_cast<int>(SendMessageW(Item(IDC_ITEM_LIST), LB_GETCOUNT, 0, 0));
        const auto command_started = std::chrono::steady_clock::now();
        std::size_t pick = below(100);
        if (lines > 40 && pick < 20) pick = 20;  // keep the document small enough to check often: delete
        std::string command;
        if (pick < 16) {
            command = "add";
            Command(IDC_ADD_ITEM);
        } else if (pick < 24) {
            command = "delete";
            HWND list = Item(IDC_ITEM_LIST);
            SendMessageW(list, LB_SETSEL, FALSE, -1);
            for (std::size_t n = below(4); n > 0 && lines > 0; --n)
                SendMessageW(list, LB_SETSEL, TRUE, static_cast<LPARAM>(below(static_cast<std::size_t>(lines))));
            Command(IDC_DELETE_ITEM);
        } else if (pick < 34) {
            command = "show a line";
            if (lines > 0) {
                const int line = static_cast<int>(below(static_cast<std::size_t>(lines)));
                HWND list = Item(IDC_ITEM_LIST);
                SendMessageW(list, LB_SETSEL, FALSE, -1);
                SendMessageW(list, LB_SETSEL, TRUE, line);
                SendMessageW(list, LB_SETCARETINDEX, static_cast<WPARAM>(line), FALSE);
                Command(IDC_ITEM_LIST, LBN_SELCHANGE);
            }
        } else if (pick < 80) {
            // One field typed into and left.
            int id;
            std::wstring text;
            const std::size_t field = below(28);
            if (field == 0) {
                id = IDC_TITLE;
                // Often the title of another item, to collide.
                if (lines > 0 && below(2) == 0) {
                    text = Lines()[below(static_cast<std::size_t>(lines))];
                } else {
                    text = kTitles[below(kTitles.size())];
                }
                command = "edit title";
            } else if (field <= 25) {
                id = kDateEdits[field - 1];
                text = kNumbers[below(kNumbers.size())];
                command = "edit date-time";
            } else {
                id = field == 26 ? 40077 : 40078;
                text = kTexts[below(kTexts.size())];
                command = field == 26 ? "edit location" : "edit status";
            }
            Command(id, EN_SETFOCUS);
            SetText(id, text);
            Command(id, EN_KILLFOCUS);
        } else if (pick < 86) {
            command = "pick a kind";
            HWND combo = Item(IDC_ACTION_KIND);
            const auto entries = static_cast<std::size_t>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
            SendMessageW(combo, CB_SETCURSEL, entries ? below(entries + 1) : 0, 0);  // past the end: none
            Command(IDC_ACTION_KIND, CBN_SELCHANGE);
        } else if (pick < 90) {
            command = "edit kinds";
            const bool add = below(3) != 0, ok = below(4) != 0;
            const std::wstring kind = kKinds[below(kKinds.size())];
            const std::size_t victim = below(8);
            RunModal([&] { Command(IDC_EDIT_KINDS); return INT_PTR{0}; },
                     {[&](HWND d) {
                         HWND list = GetDlgItem(d, IDC_KIND_LIST);
                         if (add) {
                             SetWindowTextW(GetDlgItem(d, IDC_KIND_TEXT), kind.c_str());
                             SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_KIND_ADD, BN_CLICKED),
                                          reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_KIND_ADD)));
                         } else {
                             SendMessageW(list, LB_SETCURSEL, victim, 0);
                             SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_KIND_DELETE, BN_CLICKED),
                                          reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_KIND_DELETE)));
                         }
                         const int button = ok ? IDC_KIND_OK : IDC_KIND_CANCEL;
                         SendMessageW(d, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                                      reinterpret_cast<LPARAM>(GetDlgItem(d, button)));
                     }});
        } else if (pick < 96) {
            command = "save";
            const Bytes expected = Content();
            Command(IDM_FILE_SAVE);
            saved = ReadBytes(file);
            if (saved != expected) {
                ADD_FAILURE() << "step " << step << ": the saved file is not the document";
                ++check_failures;
            }
        } else {
            // Reopen: Yes saves first, No discards what was not saved.
            const bool yes = below(2) == 0;
            command = yes ? "reopen after Yes" : "reopen after No";
            const Bytes current = Content();
            boxes.Answer(yes ? IDYES : IDNO);
            choosers.OpenAnswer(file);
            Command(IDM_FILE_OPEN);
            // Unchanged since the last save or open, the document goes
            // without the question, and must then be the file's content.
            const bool asked = boxes.unused() == 0;
            if (!asked) {
                boxes.DropUnused();
                if (current != saved) {
                    ADD_FAILURE() << "step " << step << ": a changed document went without the question";
                    ++check_failures;
                }
            }
            if (yes && asked) saved = current;
            if (ReadBytes(file) != saved || Content() != saved) {
                ADD_FAILURE() << "step " << step << ": reopening did not give the saved document";
                ++check_failures;
            }
        }
        ++ran[command];
        const auto checked = std::chrono::steady_clock::now();
        spent[command] += std::chrono::duration<double>(checked - command_started).count();
        const std::string broken = Broken();
        spent["(checks)"] += std::chrono::duration<double>(std::chrono::steady_clock::now() - checked).count();
        if (!broken.empty()) {
            ADD_FAILURE() << "step " << step << " (" << command << ", after " << last_command << "): " << broken;
            if (++check_failures > 5) break;
        }
        last_command = command;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    long total = 0;
    for (const auto& [name, count] : ran) total += count;
    EXPECT_EQ(total, commands);
    EXPECT_EQ(boxes.unused(), 0u);
    std::printf("[ session  ] %ld random commands in %.1f s:", total, seconds);
    for (const auto& [name, count] : ran) std::printf(" %s %ld,", name.c_str(), count);
    std::printf(" invariants checked after each\n");
    std::printf("[ session  ] seconds:");
    for (const auto& [name, t] : spent) std::printf(" %s %.1f,", name.c_str(), t);
    std::printf("\n");
    SetLastFileRecordPath({});
}

}  // namespace
