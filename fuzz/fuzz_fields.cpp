// The date-time fields of the item editor for any texts: the strict number
// check MyTsToI against an independent model, the rule of every field, and
// the date arithmetic beneath them. No undefined behaviour for any input.
#include <array>
#include <cstdint>
#include <limits>
#include <optional>

#include "FieldRules.h"
#include "FuzzDoc.h"
#include "Times.h"

namespace {

// Texts from units that matter to a number: digits, spaces, signs, tabs,
// NULs, and now and then anything.
std::u16string NumberText(FuzzedDataProvider& in) {
    std::u16string s(in.ConsumeIntegralInRange<std::size_t>(0, 40), u'\0');
    static constexpr char16_t kUnits[] = u"0123456789 -+\t\0x";
    for (char16_t& c : s) {
        const auto pick = in.ConsumeIntegralInRange<std::size_t>(0, std::size(kUnits) - 1);
        c = pick + 1 < std::size(kUnits) ? kUnits[pick] : in.ConsumeIntegral<char16_t>();
    }
    return s;
}

// What MyTsToI must say of a text: nullopt for a refused text; otherwise the
// value, known exactly when the number fits 32 bits (else only "accepted").
struct Expected {
    bool accepted = false;
    std::optional<std::int32_t> value;
};

Expected Model(std::u16string_view text) {
    text = ShownText(text);  // the text a control holds ends at its NUL
    if (text.size() > 32) return {};
    std::size_t i = 0;
    while (i < text.size() && text[i] == u' ') ++i;
    const bool negative = i < text.size() && text[i] == u'-';
    if (negative) ++i;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return {};
        magnitude = std::min<std::uint64_t>(magnitude * 10 + (text[i] - u'0'), std::uint64_t{1} << 40);
    }
    Expected e{true, std::nullopt};
    if (magnitude <= std::numeric_limits<std::int32_t>::max())
        e.value = static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude) : magnitude);
    return e;
}

bool HasDigit(std::u16string_view t) {
    for (char16_t c : ShownText(t))
        if (c >= u'0' && c <= u'9') return true;
    return false;
}

// A bounded field (month, hour, minute): stored only when accepted, holding a
// digit, and within the bound read unsigned.
void CheckBounded(std::int32_t got, std::int32_t old, std::u16string_view text, std::uint32_t bound) {
    const Expected e = Model(text);
    if (!e.accepted || !HasDigit(text)) {
        FUZZ_CHECK(got == old);
    } else if (e.value) {
        FUZZ_CHECK(got == (static_cast<std::uint32_t>(*e.value) <= bound ? *e.value : old));
    } else {
        FUZZ_CHECK(got == old || static_cast<std::uint32_t>(got) <= bound);
    }
}

void CheckDay(std::int32_t got, std::int32_t old, std::u16string_view text, unsigned days, bool planned_start) {
    const Expected e = Model(text);
    if (!e.accepted) {
        FUZZ_CHECK(got == old);
        return;
    }
    if (!e.value) {
        FUZZ_CHECK(got == old || static_cast<std::uint32_t>(got) <= days);
        return;
    }
    const std::int32_t v = *e.value;
    const bool fits = static_cast<std::uint32_t>(v) <= days;
    if (planned_start) {
        FUZZ_CHECK(got == (!fits ? static_cast<std::int32_t>(days) : HasDigit(text) ? v : old));
    } else {
        FUZZ_CHECK(got == (v == 0 || days == 0 ? old : fits ? v : static_cast<std::int32_t>(days)));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const _TIMES old = fuzzdoc::Times(in);
    const bool planned_start = in.ConsumeBool();
    std::array<std::u16string, 5> texts;
    for (auto& t : texts) t = NumberText(in);

    for (const std::u16string& t : texts) {
        const std::int32_t untouched = 0x5EED;
        std::int32_t v = untouched;
        const int ok = MyTsToI(t, &v);
        const Expected e = Model(t);
        FUZZ_CHECK(ok == (e.accepted ? 1 : 0));
        if (ShownText(t).size() > 32) FUZZ_CHECK(v == untouched);
        if (ok && e.value) FUZZ_CHECK(v == *e.value);
    }

    const _TIMES row = ReadTimesRow(old, {texts[0], texts[1], texts[2], texts[3], texts[4]}, planned_start);
    FUZZ_CHECK(row.year == ReadYear(old.year, texts[0]));
    CheckBounded(row.month, old.month, texts[1], 12);
    CheckBounded(row.hour, old.hour, texts[3], 24);
    CheckBounded(row.minute, old.minute, texts[4], 60);
    const unsigned days = GetDates(static_cast<unsigned>(row.year), static_cast<unsigned>(row.month));
    CheckDay(row.day, old.day, texts[2], days, planned_start);

    // The date arithmetic under the rules, for any values.
    const unsigned d = GetDates(static_cast<unsigned>(old.year), static_cast<unsigned>(old.month));
    const auto month = static_cast<std::uint32_t>(old.month);
    FUZZ_CHECK(month >= 1 && month <= 12 ? d >= 28 && d <= 31 : d == 0);
    FUZZ_CHECK(TimeCmp(old, row) == -TimeCmp(row, old) && TimeCmp(old, old) == 0);
    const _TIMES now = GetTimeAt(in.ConsumeIntegral<std::uint32_t>());
    FUZZ_CHECK(now.month >= 1 && now.month <= 12 && now.hour >= 1 && now.hour <= 24);
    FUZZ_CHECK(now.minute >= 0 && now.minute <= 59);
    FUZZ_CHECK(now.day >= 1 && static_cast<unsigned>(now.day) <= GetDates(static_cast<unsigned>(now.year), static_cast<unsigned>(now.month)));
    return 0;
}
