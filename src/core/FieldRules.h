// Reading the editor's date-time fields back from their texts: the strict
// number check and the rule of each field. Pure functions: old value and
// text in, new value out.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "Times.h"

// 1 when `text` is a signed decimal number (value stored in *value), 0 when
// it is not. The text counts up to its first NUL, as a control's text does.
//  - more than 32 units: 0, *value untouched;
//  - leading U+0020 spaces are skipped, then one optional '-';
//  - nothing left (empty, spaces only, lone '-'): 1 with 0;
//  - everything left must be an ASCII digit; at the first other unit the
//    result is 0 and *value holds the partial sum;
//  - digits are summed from the first, each adding digit * 10^p (p = its
//    distance from the end); after each digit the sum is made a 32-bit
//    integer, and a sum outside that range becomes INT32_MIN from which the
//    summing goes on. Every number that fits 32 bits comes out exactly.
int MyTsToI(std::u16string_view text, std::int32_t* value);

// The five texts of one date-time row, in the order year, month, day, hour,
// minute.
using TimesTexts = std::array<std::u16string_view, 5>;

// year: the text's leading decimal number (after optional white space and an
// optional sign), whatever follows it. A text without a leading number, and
// one whose leading number lies outside the signed 32-bit range, keeps `old`
// (a year that cannot be held is not guessed at).
std::int32_t ReadYear(std::int32_t old, std::u16string_view text);

// month / hour / minute: stored when MyTsToI accepts the text and its value,
// taken unsigned, is at most 12 / 24 / 60. A negative value is therefore
// refused as too large. A text with no digit at all stores nothing.
std::int32_t ReadMonth(std::int32_t old, std::u16string_view text);
std::int32_t ReadHour(std::int32_t old, std::u16string_view text);
std::int32_t ReadMinute(std::int32_t old, std::u16string_view text);

// day, with `days` = GetDates(year, month) of the row as just read back.
// Planned start row: any accepted text counts; a value (unsigned) above
// `days` becomes `days`. Other rows: only an accepted non-zero value in a
// month of 1..12 counts, brought down to `days` likewise.
std::int32_t ReadDay(std::int32_t old, std::u16string_view text, unsigned days, bool planned_start_row);

// A whole row read back over `old`, field by field in the order year, month,
// day, hour, minute; refused texts keep their fields.
_TIMES ReadTimesRow(const _TIMES& old, const TimesTexts& texts, bool planned_start_row);
