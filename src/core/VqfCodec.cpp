#include "VqfCodec.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr std::uint64_t kMaxFileSize = 0xFFFFFFFFull;  // sizes are 32-bit in the format
constexpr std::uint32_t kDateTimeBytes = 5 * 5 * 4;

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

// `len` bytes of UTF-16LE as a text: an odd last byte becomes a unit with a
// zero high byte, and the text ends at its first NUL unit.
std::u16string DecodeText(const std::uint8_t* p, std::uint32_t len) {
    std::u16string s((static_cast<std::size_t>(len) + 1) / 2, u'\0');
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(s.data(), p, len);  // an odd tail's high byte stays 0
    } else {
        for (std::uint32_t i = 0; i < len; ++i)
            s[i / 2] = static_cast<char16_t>(s[i / 2] | static_cast<char16_t>(p[i]) << (8 * (i % 2)));
    }
    const std::size_t nul = s.find(u'\0');
    if (nul != std::u16string::npos) s.resize(nul);
    return s;
}

// What the writer stores of a text: the units before its first NUL.
std::u16string_view Stored(const std::u16string& s) {
    const std::u16string_view v(s);
    return v.substr(0, v.find(u'\0'));
}

std::uint8_t* PutText(std::uint8_t* p, std::u16string_view text) {
    const std::size_t bytes = text.size() * 2;
    Put32(p, static_cast<std::uint32_t>(bytes));
    p += 4;
    if constexpr (std::endian::native == std::endian::little) {
        if (bytes) std::memcpy(p, text.data(), bytes);
    } else {
        for (std::size_t i = 0; i < text.size(); ++i) {
            p[2 * i] = static_cast<std::uint8_t>(text[i]);
            p[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
        }
    }
    return p + bytes;
}

std::uint8_t* PutTimes(std::uint8_t* p, const _TIMES& t) {
    Put32(p, static_cast<std::uint32_t>(t.year));
    Put32(p + 4, static_cast<std::uint32_t>(t.month));
    Put32(p + 8, static_cast<std::uint32_t>(t.day));
    Put32(p + 12, static_cast<std::uint32_t>(t.hour));
    Put32(p + 16, static_cast<std::uint32_t>(t.minute));
    return p + 20;
}

_TIMES GetTimes(const std::uint8_t* p) {
    return {static_cast<std::int32_t>(Get32(p)), static_cast<std::int32_t>(Get32(p + 4)),
            static_cast<std::int32_t>(Get32(p + 8)), static_cast<std::int32_t>(Get32(p + 12)),
            static_cast<std::int32_t>(Get32(p + 16))};
}

const char* FieldName(VqfField f) {
    switch (f) {
        case VqfField::None: return "nothing";
        case VqfField::FileSize: return "file size";
        case VqfField::Magic: return "magic";
        case VqfField::ItemCount: return "item count";
        case VqfField::TitleLength: case VqfField::Title: return "title";
        case VqfField::KindLength: case VqfField::Kind: return "action kind";
        case VqfField::DateTimes: return "date-times";
        case VqfField::LocationLength: case VqfField::Location: return "location";
        case VqfField::StatusLength: case VqfField::Status: return "status";
        case VqfField::KindCount: return "kind count";
        case VqfField::KindTextLength: case VqfField::KindText: return "kind text";
    }
    return "?";
}

// The check's walk: a position and the 32-bit count of bytes not consumed.
struct Walk {
    const std::uint8_t* data;
    std::uint64_t pos;
    std::uint32_t left;
    VqfCheckResult& result;

    bool Fail(VqfField field, std::uint32_t index, std::uint64_t at, std::uint64_t needed, std::uint32_t left_then) {
        result.ok = false;
        result.field = field;
        result.index = index;
        result.offset = at;
        result.needed = needed;
        result.left = left_then;
        return false;
    }
    bool Number(VqfField field, std::uint32_t index, std::uint32_t& value) {
        if (left < 4) return Fail(field, index, pos, 4, left);
        value = Get32(data + pos);
        pos += 4;
        left -= 4;
        return true;
    }
    // A length and the bytes it announces. A refused length is reported at
    // the length field's offset, with the bytes left after it.
    bool Text(VqfField length_field, VqfField text_field, std::uint32_t index) {
        const std::uint64_t at = pos;
        std::uint32_t len = 0;
        if (!Number(length_field, index, len)) return false;
        if (len > left) return Fail(text_field, index, at, len, left);
        pos += len;
        left -= len;
        return true;
    }
    bool Skip(VqfField field, std::uint32_t index, std::uint32_t n) {
        if (left < n) return Fail(field, index, pos, n, left);
        pos += n;
        left -= n;
        return true;
    }
};

}  // namespace

std::string VqfCheckResult::Describe() const {
    const std::string name = FieldName(field);
    std::string where;
    switch (field) {
        case VqfField::TitleLength: case VqfField::Title: case VqfField::KindLength: case VqfField::Kind:
        case VqfField::DateTimes: case VqfField::LocationLength: case VqfField::Location:
        case VqfField::StatusLength: case VqfField::Status:
            where = "item " + std::to_string(index) + ": ";
            break;
        case VqfField::KindTextLength: case VqfField::KindText:
            where = "kind " + std::to_string(index) + ": ";
            break;
        default:
            break;
    }
    switch (field) {
        case VqfField::None:
            return "valid: " + std::to_string(item_count) + " items, " + std::to_string(kind_count) + " kinds, " +
                   std::to_string(end) + " bytes used";
        case VqfField::FileSize:
            return "file is 4 GiB or more";
        case VqfField::Magic:
            return "file of " + std::to_string(left) + " bytes is shorter than the 17-byte magic";
        case VqfField::Title: case VqfField::Kind: case VqfField::Location: case VqfField::Status:
        case VqfField::KindText:
            return where + name + " length " + std::to_string(needed) + " at offset " + std::to_string(offset) +
                   " exceeds the " + std::to_string(left) + " bytes left";
        case VqfField::DateTimes:
            return where + name + " at offset " + std::to_string(offset) + " need 100 bytes, " +
                   std::to_string(left) + " left";
        default:
            // A missing 4-byte count or length.
            return where + name + (field == VqfField::ItemCount || field == VqfField::KindCount ? "" : " length") +
                   " at offset " + std::to_string(offset) + " needs 4 bytes, " + std::to_string(left) + " left";
    }
}

VqfCheckResult CheckVqf(std::span<const std::uint8_t> bytes) {
    VqfCheckResult result;
    const std::uint64_t size = bytes.size();
    if (size > kMaxFileSize) {
        result.field = VqfField::FileSize;
        result.needed = size;
        return result;
    }
    Walk w{bytes.data(), 0, static_cast<std::uint32_t>(size), result};
    if (!w.Skip(VqfField::Magic, 0, kVqfMagicSize)) return result;
    std::uint32_t items = 0;
    if (!w.Number(VqfField::ItemCount, 0, items)) return result;
    // Every block consumes at least 4 bytes or fails, so a huge count stops
    // at the end of the file.
    for (std::uint32_t i = 0; i < items; ++i) {
        if (!w.Text(VqfField::TitleLength, VqfField::Title, i) || !w.Text(VqfField::KindLength, VqfField::Kind, i) ||
            !w.Skip(VqfField::DateTimes, i, kDateTimeBytes) ||
            !w.Text(VqfField::LocationLength, VqfField::Location, i) ||
            !w.Text(VqfField::StatusLength, VqfField::Status, i))
            return result;
    }
    std::uint32_t kinds = 0;
    if (!w.Number(VqfField::KindCount, 0, kinds)) return result;
    for (std::uint32_t k = 0; k < kinds; ++k)
        if (!w.Text(VqfField::KindTextLength, VqfField::KindText, k)) return result;
    result.ok = true;
    result.item_count = items;
    result.kind_count = kinds;
    result.end = w.pos;
    result.left = w.left;
    return result;
}

VqfDocument LoadVqf(std::span<const std::uint8_t> bytes) {
    VqfDocument doc;
    if (!CheckVqf(bytes)) return doc;
    const std::uint8_t* p = bytes.data() + kVqfMagicSize;
    auto text = [&p]() {
        const std::uint32_t len = Get32(p);
        p += 4;
        std::u16string s = len ? DecodeText(p, len) : std::u16string();
        p += len;
        return s;
    };

    const std::uint32_t items = Get32(p);
    p += 4;
    std::unique_ptr<_ITEM_LIST>* tail = &doc.item_list;
    for (std::uint32_t i = 0; i < items; ++i) {
        auto item = std::make_unique<_ITEM_LIST>();
        const bool untitled = Get32(p) == 0;
        item->title = text();
        if (untitled) item->title = kNewActionTitle;
        item->action_kind = text();
        item->planned_start = GetTimes(p);
        item->planned_end = GetTimes(p + 20);
        item->actual_start = GetTimes(p + 40);
        item->actual_end = GetTimes(p + 60);
        item->alarm = GetTimes(p + 80);
        p += kDateTimeBytes;
        item->location = text();
        item->status = text();
        *tail = std::move(item);
        tail = &(*tail)->next;
    }

    const std::uint32_t kinds = Get32(p);
    p += 4;
    std::unique_ptr<_KIND_LIST>* kind_tail = &doc.action_kinds;
    for (std::uint32_t k = 0; k < kinds; ++k) {
        *kind_tail = std::make_unique<_KIND_LIST>(text());
        kind_tail = &(*kind_tail)->next;
    }
    return doc;
}

std::vector<std::uint8_t> WriteVqf(const _ITEM_LIST* items, const _KIND_LIST* kinds) {
    // First the exact size, so that the bytes are laid down in one buffer.
    std::uint64_t size = kVqfMagicSize + 4 + 4;
    std::uint64_t item_count = 0, kind_count = 0;
    for (const _ITEM_LIST* it = items; it; it = it->next.get(), ++item_count)
        size += 16 + kDateTimeBytes +
                2 * (Stored(it->title).size() + Stored(it->action_kind).size() + Stored(it->location).size() +
                     Stored(it->status).size());
    for (const _KIND_LIST* k = kinds; k; k = k->next.get(), ++kind_count) size += 4 + 2 * Stored(k->text).size();
    if (size > kMaxFileSize) return {};

    std::vector<std::uint8_t> out(static_cast<std::size_t>(size));
    std::uint8_t* p = out.data();
    std::memcpy(p, kVqfMagic, kVqfMagicSize);
    p += kVqfMagicSize;
    Put32(p, static_cast<std::uint32_t>(item_count));
    p += 4;
    for (const _ITEM_LIST* it = items; it; it = it->next.get()) {
        p = PutText(p, Stored(it->title));
        p = PutText(p, Stored(it->action_kind));
        p = PutTimes(p, it->planned_start);
        p = PutTimes(p, it->planned_end);
        p = PutTimes(p, it->actual_start);
        p = PutTimes(p, it->actual_end);
        p = PutTimes(p, it->alarm);
        p = PutText(p, Stored(it->location));
        p = PutText(p, Stored(it->status));
    }
    Put32(p, static_cast<std::uint32_t>(kind_count));
    p += 4;
    for (const _KIND_LIST* k = kinds; k; k = k->next.get()) p = PutText(p, Stored(k->text));
    return out;
}

std::vector<std::uint8_t> EncodeLastFileRecord(std::u16string_view path) {
    std::vector<std::uint8_t> out(4 + path.size() * 2);
    PutText(out.data(), path);
    return out;
}

std::u16string DecodeLastFileRecord(std::span<const std::uint8_t> bytes) {
    // A usable record holds the length and at least 4 path bytes.
    if (bytes.size() < 8) return {};
    const std::uint32_t len = Get32(bytes.data());
    if (len == 0 || len > kLastFilePathUnits * 2) return {};
    const std::size_t present = std::min<std::size_t>(len, bytes.size() - 4);
    return DecodeText(bytes.data() + 4, static_cast<std::uint32_t>(present));
}

std::u16string_view FileNameOfPath(std::u16string_view path) {
    const std::size_t slash = path.rfind(u'\\');
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

bool NeedsVqfExtension(std::u16string_view title) {
    return title.size() < 5 || title.substr(title.size() - 4) != u".vqf";
}
