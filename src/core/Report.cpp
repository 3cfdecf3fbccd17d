#include "Report.h"

#include <algorithm>
#include <string>
#include <unordered_map>

namespace {

bool DatePresent(const _TIMES& t) { return t.year != 0 && t.month != 0 && t.day != 0; }

// "%<width>d": signed decimal, padded on the left with spaces.
void AppendNumber(std::u16string& out, std::int32_t value, std::size_t width) {
    const std::string digits = std::to_string(value);
    if (digits.size() < width) out.append(width - digits.size(), u' ');
    out.append(digits.begin(), digits.end());
}

// "%4d/%2d/%2d"
void AppendDate(std::u16string& out, const _TIMES& t) {
    AppendNumber(out, t.year, 4);
    out += u'/';
    AppendNumber(out, t.month, 2);
    out += u'/';
    AppendNumber(out, t.day, 2);
}

}  // namespace

std::u16string PeriodPiece(std::u16string_view label, const _TIMES& start, const _TIMES& end) {
    const bool s = DatePresent(start);
    const bool e = DatePresent(end);
    std::u16string piece;
    if (!s && !e) return piece;
    piece += u" (";
    piece += label;
    piece += u'：';
    if (s) AppendDate(piece, start);
    piece += u" - ";
    if (e) AppendDate(piece, end);
    piece += u')';
    return piece;
}

std::u16string ReportHeading(const _EDIT_ITEM& item) {
    std::u16string heading = u"◆";
    const std::u16string_view title = ShownText(item.title);
    heading += title.substr(0, kHeadingTitleLimit);
    heading += PeriodPiece(u"計画", item.planned_start, item.planned_end);
    heading += PeriodPiece(u"実績", item.actual_start, item.actual_end);
    heading += u"\r\n";
    return heading;
}

void AppendReportBlock(std::u16string& report, const _EDIT_ITEM& item) {
    report += ReportHeading(item);
    report += ShownText(item.status);
    report += u"\r\n\r\n";
}

std::u16string BuildReport(const _ITEM_LIST* items, const std::vector<std::u16string>& selected_lines) {
    // Only the selected lines are looked for: one walk, which stops once
    // each has its first record.
    std::unordered_map<std::u16string_view, const _ITEM_LIST*> first;
    for (const std::u16string& line : selected_lines) first.emplace(line, nullptr);
    std::size_t missing = first.size();
    for (const _ITEM_LIST* p = items; p != nullptr && missing > 0; p = p->next.get()) {
        const auto it = first.find(ShownText(p->title));
        if (it != first.end() && it->second == nullptr) {
            it->second = p;
            --missing;
        }
    }
    return BuildReport(
        [&first](std::u16string_view line) {
            const auto it = first.find(line);
            return it == first.end() ? nullptr : it->second;
        },
        selected_lines);
}

std::u16string BuildReport(const RecordLookup& find, const std::vector<std::u16string>& selected_lines) {
    std::vector<const _ITEM_LIST*> blocks;
    blocks.reserve(selected_lines.size());
    std::size_t size = 0;
    for (const std::u16string& line : selected_lines) {
        const _ITEM_LIST* record = find(line);
        if (record == nullptr) continue;
        blocks.push_back(record);
        // Diamond, title, two period pieces of at most 79 units, the breaks.
        size += 1 + std::min(ShownText(record->title).size(), kHeadingTitleLimit) + 2 * 79 + 6 +
                ShownText(record->status).size();
    }
    std::u16string report;
    report.reserve(size);
    for (const _ITEM_LIST* record : blocks) AppendReportBlock(report, *record);
    return report;
}
