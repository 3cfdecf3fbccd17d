// Shared by the fuzz targets: documents built from fuzz input, compared and
// normalised the way the file keeps them.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ItemChain.h"
#include "ItemTitles.h"
#include "Records.h"
#include "VqfCodec.h"

// A finding: print what broke and abort, so that libFuzzer saves the input.
#define FUZZ_CHECK(cond)                                                              \
    do {                                                                              \
        if (!(cond)) {                                                                \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                             \
        }                                                                             \
    } while (0)

namespace fuzzdoc {

// Any UTF-16 units: NULs, lone surrogates and pairs included. Units are drawn
// from a few classes so that the interesting ones are found quickly.
inline std::u16string Text(FuzzedDataProvider& in, std::size_t max_units) {
    std::u16string s(in.ConsumeIntegralInRange<std::size_t>(0, max_units), u'\0');
    for (char16_t& c : s) {
        switch (in.ConsumeIntegralInRange(0, 5)) {
            case 0: c = static_cast<char16_t>(u'A' + in.ConsumeIntegralInRange(0, 3)); break;
            case 1: c = u'\0'; break;
            case 2: c = static_cast<char16_t>(in.ConsumeIntegralInRange(0xD800, 0xDFFF)); break;
            case 3: c = static_cast<char16_t>(u'0' + in.ConsumeIntegralInRange(0, 9)); break;
            case 4: c = static_cast<char16_t>(in.ConsumeIntegralInRange(0x3040, 0x30FF)); break;
            default: c = in.ConsumeIntegral<char16_t>(); break;
        }
    }
    return s;
}

inline _TIMES Times(FuzzedDataProvider& in) {
    return {in.ConsumeIntegral<std::int32_t>(), in.ConsumeIntegral<std::int32_t>(), in.ConsumeIntegral<std::int32_t>(),
            in.ConsumeIntegral<std::int32_t>(), in.ConsumeIntegral<std::int32_t>()};
}

// A document built field by field from the input; titles often repeat.
inline VqfDocument Document(FuzzedDataProvider& in) {
    VqfDocument doc;
    std::vector<std::u16string> titles;
    auto* tail = &doc.item_list;
    for (int n = in.ConsumeIntegralInRange(0, 24); n > 0 && in.remaining_bytes() > 0; --n) {
        auto item = std::make_unique<_ITEM_LIST>();
        if (!titles.empty() && in.ConsumeBool())
            item->title = titles[in.ConsumeIntegralInRange<std::size_t>(0, titles.size() - 1)];
        else
            item->title = Text(in, in.ConsumeBool() ? 6 : 3000);
        titles.push_back(item->title);
        item->action_kind = Text(in, 6);
        item->planned_start = Times(in);
        item->planned_end = Times(in);
        item->actual_start = Times(in);
        item->actual_end = Times(in);
        item->alarm = Times(in);
        item->location = Text(in, 8);
        item->status = Text(in, 64);
        *tail = std::move(item);
        tail = &(*tail)->next;
    }
    auto* ktail = &doc.action_kinds;
    for (int k = in.ConsumeIntegralInRange(0, 8); k > 0; --k) {
        *ktail = std::make_unique<_KIND_LIST>(Text(in, 6));
        ktail = &(*ktail)->next;
    }
    return doc;
}

// What a document becomes once written and read back: every text ends at its
// first NUL, and a title with nothing before its NUL is stored with length 0
// and so reads back as "NewAction".
inline std::u16string Kept(const std::u16string& s) { return std::u16string(ShownText(s)); }

inline void Normalise(VqfDocument& doc) {
    for (_ITEM_LIST* p : ChainNodes(doc.item_list.get())) {
        p->title = Kept(p->title);
        if (p->title.empty()) p->title = kNewActionTitle;
        p->action_kind = Kept(p->action_kind);
        p->location = Kept(p->location);
        p->status = Kept(p->status);
    }
    for (_KIND_LIST* k : ChainNodes(doc.action_kinds.get())) k->text = Kept(k->text);
}

inline bool Equal(const VqfDocument& a, const VqfDocument& b) {
    return ChainItems(a.item_list.get()) == ChainItems(b.item_list.get()) &&
           KindTexts(a.action_kinds.get()) == KindTexts(b.action_kinds.get());
}

inline std::vector<std::uint8_t> Write(const VqfDocument& doc) {
    return WriteVqf(doc.item_list.get(), doc.action_kinds.get());
}

}  // namespace fuzzdoc
