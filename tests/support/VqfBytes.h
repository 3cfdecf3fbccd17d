// A .vqf file laid down field by field, apart from the writer under test:
// little-endian 32-bit counts and lengths, texts as UTF-16LE units behind
// their byte length, the 25 date-time integers of an item. It remembers
// where each count and text length sits, so that a test can point one of
// them elsewhere (Set32).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "VqfCodec.h"

inline void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void Set32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct VqfBytes {
    std::vector<std::uint8_t> b;
    std::vector<std::size_t> length_fields;  // offsets of every count and text length
    std::vector<std::size_t> text_lengths;   // offsets of the text lengths only
    // Times() lays down first, first + times_step, first + 2 * times_step, ...
    std::uint32_t times_step = 1;

    VqfBytes() : b(kVqfMagic, kVqfMagic + kVqfMagicSize) {}
    // Another 17 bytes in the magic's place.
    explicit VqfBytes(std::string_view magic) : b(magic.begin(), magic.end()) {}

    // An item or kind count.
    VqfBytes& Count(std::uint32_t n) {
        length_fields.push_back(b.size());
        return U32(n);
    }
    // A text field holding exactly these bytes (an odd number of them, say).
    VqfBytes& TextBytes(std::initializer_list<std::uint8_t> raw) {
        text_lengths.push_back(b.size());
        length_fields.push_back(b.size());
        U32(static_cast<std::uint32_t>(raw.size()));
        b.insert(b.end(), raw);
        return *this;
    }
    VqfBytes& Text(std::u16string_view s) {
        text_lengths.push_back(b.size());
        length_fields.push_back(b.size());
        U32(static_cast<std::uint32_t>(s.size() * 2));
        for (char16_t c : s) b.insert(b.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)});
        return *this;
    }
    // The five date-times of an item.
    VqfBytes& Times(std::uint32_t first = 0) {
        for (std::uint32_t i = 0; i < 25; ++i) U32(first + times_step * i);
        return *this;
    }
    VqfBytes& Item(std::u16string_view title, std::u16string_view kind = u"", std::u16string_view location = u"",
                   std::u16string_view status = u"") {
        return Text(title).Text(kind).Times().Text(location).Text(status);
    }
    // An item of empty texts and unset date-times: 4 + 4 + 100 + 4 + 4 bytes.
    VqfBytes& EmptyItem() { return Text(u"").Text(u"").Zeros(100).Text(u"").Text(u""); }

    // Bytes that are not a field of their own.
    VqfBytes& U32(std::uint32_t v) {
        Put32(b, v);
        return *this;
    }
    VqfBytes& Raw(std::initializer_list<std::uint8_t> raw) {
        b.insert(b.end(), raw);
        return *this;
    }
    VqfBytes& Zeros(std::size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
};
