#include "FieldRules.h"

#include <cmath>
#include <limits>

#include "Records.h"

namespace {

constexpr std::size_t kMaxNumberText = 32;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool HasDigit(std::u16string_view text) {
    for (char16_t c : ShownText(text))
        if (IsDigit(c)) return true;
    return false;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

// Stores the text's number when it is accepted and, read unsigned, within
// `bound`; everything else keeps `old`.
std::int32_t ReadBounded(std::int32_t old, std::u16string_view text, std::uint32_t bound) {
    std::int32_t v = 0;
    if (MyTsToI(text, &v) != 1) return old;
    if (static_cast<std::uint32_t>(v) > bound) return old;
    return HasDigit(text) ? v : old;
}

}  // namespace

int MyTsToI(std::u16string_view text, std::int32_t* value) {
    text = ShownText(text);
    const std::size_t n = text.size();
    if (n > kMaxNumberText) return 0;

    std::size_t i = 0;
    while (i < n && text[i] == u' ') ++i;
    bool negative = false;
    if (i < n && text[i] == u'-') {
        negative = true;
        ++i;
    }

    std::int32_t sum = 0;
    *value = 0;
    if (i == n) return 1;

    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
    for (; i < n; ++i) {
        const char16_t c = text[i];
        if (!IsDigit(c)) return 0;  // *value keeps the partial sum
        const double p = static_cast<double>(n - 1 - i);
        const double next = static_cast<double>(sum) + static_cast<double>(c - u'0') * std::pow(10.0, p);
        sum = (next >= kLowest && next <= kHighest) ? static_cast<std::int32_t>(next)
                                                    : std::numeric_limits<std::int32_t>::min();
        *value = sum;
    }
    if (negative) {
        // Two's complement negation: INT32_MIN stays INT32_MIN, without
        // signed overflow.
        *value = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(sum));
    }
    return 1;
}

std::int32_t ReadYear(std::int32_t old, std::u16string_view text) {
    text = ShownText(text);
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size() || !IsDigit(text[i])) return old;

    // The magnitude saturates just past the 32-bit range, so any number of
    // digits (leading zeros included) is read without overflow.
    constexpr std::uint64_t kPastRange = std::uint64_t{1} << 32;
    std::uint64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - u'0');
        if (magnitude > kPastRange) magnitude = kPastRange;
    }
    const std::uint64_t limit = negative ? std::uint64_t{1} << 31 : (std::uint64_t{1} << 31) - 1;
    if (magnitude > limit) return old;
    const std::int64_t signed_value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(signed_value);
}

std::int32_t ReadMonth(std::int32_t old, std::u16string_view text) { return ReadBounded(old, text, 12); }
std::int32_t ReadHour(std::int32_t old, std::u16string_view text) { return ReadBounded(old, text, 24); }
std::int32_t ReadMinute(std::int32_t old, std::u16string_view text) { return ReadBounded(old, text, 60); }

std::int32_t ReadDay(std::int32_t old, std::u16string_view text, unsigned days, bool planned_start_row) {
    std::int32_t v = 0;
    if (MyTsToI(text, &v) != 1) return old;
    const auto unsigned_v = static_cast<std::uint32_t>(v);
    if (planned_start_row) {
        // No zero test here: 0 is stored, and in a month outside 1..12
        // (days 0) every non-zero day is brought down to 0.
        if (unsigned_v > days) return static_cast<std::int32_t>(days);
        return HasDigit(text) ? v : old;
    }
    if (v == 0 || days == 0) return old;
    return unsigned_v > days ? static_cast<std::int32_t>(days) : v;
}

_TIMES ReadTimesRow(const _TIMES& old, const TimesTexts& texts, bool planned_start_row) {
    _TIMES t = old;
    t.year = ReadYear(old.year, texts[0]);
    t.month = ReadMonth(old.month, texts[1]);
    const unsigned days = GetDates(static_cast<unsigned>(t.year), static_cast<unsigned>(t.month));
    t.day = ReadDay(old.day, texts[2], days, planned_start_row);
    t.hour = ReadHour(old.hour, texts[3]);
    t.minute = ReadMinute(old.minute, texts[4]);
    return t;
}
