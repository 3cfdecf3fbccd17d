// The text report of the selected items: one block per selected list box
// line, in list box order.
//
//   ◆<title>[ (計画：…)][ (実績：…)]\r\n
//   <status>\r\n\r\n
//
// A date counts as present when its year, month and day are all non-zero; the
// numbers are padded with spaces to widths 4, 2 and 2.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Records.h"

// A heading shows the title (up to its first NUL) cut to its first 1022
// UTF-16 units; a longer title is still matched whole.
inline constexpr std::size_t kHeadingTitleLimit = 1022;

// A period piece: " (<label>：S - E)", " (<label>：S - )", " (<label>： - E)",
// or nothing when neither date is present.
std::u16string PeriodPiece(std::u16string_view label, const _TIMES& start, const _TIMES& end);

// The heading line of one item, "\r\n" included.
std::u16string ReportHeading(const _EDIT_ITEM& item);

// Appends one item's block.
void AppendReportBlock(std::u16string& report, const _EDIT_ITEM& item);

// The report for the selected lines, given in list box order: the block of
// the first record whose title reads each line (by ShownText). A line that
// matches no record is left out.
std::u16string BuildReport(const _ITEM_LIST* items, const std::vector<std::u16string>& selected_lines);

// The same, with the record of each line found by `find` (the first record
// whose title reads the line, or null): for a caller that keeps an index.
using RecordLookup = std::function<const _ITEM_LIST*(std::u16string_view line)>;
std::u16string BuildReport(const RecordLookup& find, const std::vector<std::u16string>& selected_lines);
