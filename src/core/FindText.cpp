#include "FindText.h"

#include <cstdint>

namespace {

// Full-width forms of the half-width katakana U+FF61 to U+FF9F.
constexpr char16_t kHalfWidthKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5,
    0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF, 0x30B1, 0x30B3,
    0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC,
    0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4,
    0x30E6, 0x30E8, 0x30E9, 0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,
};
static_assert(std::size(kHalfWidthKana) == 0xFF9F - 0xFF61 + 1);

bool IsVoicedMark(char16_t c) { return c == 0xFF9E || c == 0x3099 || c == 0x309B; }
bool IsSemiVoicedMark(char16_t c) { return c == 0xFF9F || c == 0x309A || c == 0x309C; }

// The katakana row ハ, ヒ, フ, ヘ, ホ: voiced at +1, semi-voiced at +2.
bool IsHaRow(char16_t c) { return c >= 0x30CF && c <= 0x30DB && (c - 0x30CF) % 3 == 0; }

// The voiced form of katakana `c`, or 0 when it has none.
char16_t Voiced(char16_t c) {
    if (c >= 0x30AB && c <= 0x30C1 && (c - 0x30AB) % 2 == 0) return static_cast<char16_t>(c + 1);  // カ..チ
    if (c == 0x30C4 || c == 0x30C6 || c == 0x30C8) return static_cast<char16_t>(c + 1);            // ツ テ ト
    if (IsHaRow(c)) return static_cast<char16_t>(c + 1);
    if (c == 0x30A6) return 0x30F4;                                // ウ → ヴ
    if (c == 0x30EF || c == 0x30F2) return static_cast<char16_t>(c + 8);  // ワ → ヷ, ヲ → ヺ
    return 0;
}

char16_t FoldOne(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    if (c >= 0xFF01 && c <= 0xFF5E) return FoldOne(static_cast<char16_t>(c - 0xFEE0));
    if (c == 0x3000) return u' ';
    // Latin-1 capitals (not ×) in lower case.
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
    return c;
}

char16_t AsHiragana(char16_t c) {
    if (c >= 0x30A1 && c <= 0x30F6) return static_cast<char16_t>(c - 0x60);
    if (c == 0x30FD || c == 0x30FE) return static_cast<char16_t>(c - 0x60);  // ヽ ヾ
    return c;
}

// Every UTF-16 unit folded on its own, looked up rather than worked out:
// the find folds each item's texts on every keystroke.
const char16_t* FoldTable() {
    static const std::u16string table = [] {
        std::u16string t(0x10000, u'\0');
        for (std::uint32_t c = 0; c < 0x10000; ++c) {
            const auto unit = static_cast<char16_t>(c);
            t[c] = AsHiragana(FoldOne(unit >= 0xFF61 && unit <= 0xFF9F ? kHalfWidthKana[unit - 0xFF61] : unit));
        }
        return t;
    }();
    return table.data();
}

// Katakana and half-width katakana may take a sound mark from the next unit.
bool MayTakeMark(char16_t c) { return (c >= 0x30A0 && c <= 0x30FF) || (c >= 0xFF61 && c <= 0xFF9F); }

// The folded unit that starts at text[i], and how many units it took (two
// for a kana and the sound mark joined to it).
struct Folded {
    char16_t unit;
    std::size_t length;
};
Folded FoldAt(std::u16string_view text, std::size_t i, const char16_t* table) {
    char16_t c = text[i];
    if (!MayTakeMark(c) || i + 1 == text.size()) return {table[c], 1};
    if (c >= 0xFF61) c = kHalfWidthKana[c - 0xFF61];
    // A sound mark after a kana that takes it becomes part of it, so that
    // ｶﾞ and カ゛ match ガ.
    const char16_t mark = text[i + 1];
    if (IsVoicedMark(mark) && Voiced(c) != 0) return {table[Voiced(c)], 2};
    if (IsSemiVoicedMark(mark) && IsHaRow(c)) return {table[static_cast<char16_t>(c + 2)], 2};
    return {table[c], 1};
}

void FoldInto(std::u16string_view text, std::u16string& out) {
    const char16_t* table = FoldTable();
    out.clear();
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Folded f = FoldAt(text, i, table);
        out += f.unit;
        i += f.length;
    }
}

}  // namespace

std::u16string FoldForFind(std::u16string_view text) {
    std::u16string out;
    FoldInto(text, out);
    return out;
}

ListQuery::ListQuery(std::u16string_view find, ListFilter filter, const ListClock& now)
    : folded_(FoldForFind(find)), filter_(filter), now_(now) {}

bool ListQuery::Contains(std::u16string_view text) const {
    // Folding never lengthens a text.
    if (text.size() < folded_.size()) return false;
    // The text is folded only where a match may start: where a unit folds to
    // the find text's first one, or a kana may join the mark after it. Most
    // units cost one table look-up; nothing is copied.
    const char16_t* table = FoldTable();
    const char16_t first = folded_[0];
    bool joined = false;  // text[i] is a mark that the unit before it took
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool may_start = !joined && (table[c] == first || MayTakeMark(c));
        joined = false;
        if (!may_start) continue;
        const Folded head = FoldAt(text, i, table);
        joined = head.length == 2;
        if (head.unit != first) continue;
        std::size_t at = i + head.length, matched = 1;
        while (matched < folded_.size() && at < text.size()) {
            const Folded next = FoldAt(text, at, table);
            if (next.unit != folded_[matched]) break;
            at += next.length;
            ++matched;
        }
        if (matched == folded_.size()) return true;
    }
    return false;
}

bool ListQuery::NarrowsFurtherThan(const ListQuery& wider) const {
    return filter_ == wider.filter_ && now_.minute == wider.now_.minute &&
           folded_.find(wider.folded_) != std::u16string::npos;
}

bool ListQuery::Matches(const _EDIT_ITEM& item) const {
    if (filter_ != ListFilter::All && !PassesFilter(LineStateAt(item, now_), filter_)) return false;
    if (folded_.empty()) return true;
    return Contains(item.title) || Contains(item.action_kind) || Contains(item.location) || Contains(item.status);
}
