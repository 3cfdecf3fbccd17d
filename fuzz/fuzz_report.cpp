// The text report for any document and any selection of list box lines, and
// the title rules that keep the lines unique.
//
// The report must equal the blocks of the selected lines' first records, in
// line order, with lines that match no record left out; every heading stays
// within the formatting limits (title cut to 1022 units, each period piece at
// most 79 units, whatever the date-time values).
#include <cstdint>

#include "FuzzDoc.h"
#include "Report.h"

namespace {

const _ITEM_LIST* FirstWithKey(const _ITEM_LIST* head, std::u16string_view line) {
    for (const _ITEM_LIST* p : ChainNodes(head))
        if (ShownText(p->title) == line) return p;
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const VqfDocument doc = fuzzdoc::Document(in);
    const _ITEM_LIST* items = doc.item_list.get();

    // The selected lines: mostly titles of the document as the list box shows
    // them, some other texts.
    std::vector<std::u16string> titles;
    for (const _ITEM_LIST* p : ChainNodes(items)) titles.emplace_back(ShownText(p->title));
    std::vector<std::u16string> lines;
    for (int n = in.ConsumeIntegralInRange(0, 30); n > 0; --n) {
        if (!titles.empty() && in.ConsumeIntegralInRange(0, 3) != 0)
            lines.push_back(titles[in.ConsumeIntegralInRange<std::size_t>(0, titles.size() - 1)]);
        else
            lines.push_back(fuzzdoc::Kept(fuzzdoc::Text(in, 4)));
    }

    const std::u16string report = BuildReport(items, lines);
    std::u16string expected;
    for (const std::u16string& line : lines)
        if (const _ITEM_LIST* record = FirstWithKey(items, line)) {
            const std::u16string heading = ReportHeading(*record);
            FUZZ_CHECK(heading.size() >= 3 && heading[0] == u'◆');
            FUZZ_CHECK(heading.compare(heading.size() - 2, 2, u"\r\n") == 0);
            FUZZ_CHECK(heading.size() <= 1 + kHeadingTitleLimit + 2 * 79 + 2);
            FUZZ_CHECK(PeriodPiece(u"計画", record->planned_start, record->planned_end).size() <= 79);
            FUZZ_CHECK(PeriodPiece(u"実績", record->actual_start, record->actual_end).size() <= 79);
            AppendReportBlock(expected, *record);
        }
    FUZZ_CHECK(report == expected);
    if (lines.empty()) FUZZ_CHECK(report.empty());

    // A title taken over from the editor never collides and is never empty.
    TitleSet taken;
    for (const std::u16string& t : titles) taken.Add(t);
    const std::u16string wanted = fuzzdoc::Text(in, 8);
    const std::u16string committed = CommitTitle(wanted, taken.Taken());
    FUZZ_CHECK(!ShownText(committed).empty() && !taken.Contains(committed));
    const std::u16string added = AddCommandTitle(taken.Taken());
    FUZZ_CHECK(!taken.Contains(added));
    return 0;
}
