#include "VqfCodec.h"

#include <algorithm>
#include <bit>
#include <cstring>

// Texts are copied between the file and memory as they lie: the file's
// UTF-16LE is the layout of char16_t in memory on a little-endian machine,
// which every machine the program and vqf are built for is.
static_assert(std::endian::native == std::endian::little, "the codec copies UTF-16LE texts as they lie in memory");

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
    std::memcpy(s.data(), p, len);  // an odd tail's high byte stays 0
    s.resize(ShownText(s).size());
    return s;
}

std::uint8_t* PutText(std::uint8_t* p, std::u16string_view text) {
    const std::size_t bytes = text.size() * 2;
    Put32(p, static_cast<std::uint32_t>(bytes));
    p += 4;
    if (bytes) std::memcpy(p, text.data(), bytes);
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
        case VqfField::Read: return "read";
    }
    return "?";
}

// The bytes of a file in order: either all of them in memory, or a source
// read through a buffer that is refilled as the walk goes on. Reads ask for
// bytes the walk has already proved to be inside the file, so the only
// failure is a source that does not deliver them.
class Input {
public:
    explicit Input(std::span<const std::uint8_t> all) : cur_(all.data()), end_(all.data() + all.size()) {}
    Input(const VqfReader& read, std::uint64_t size, std::span<std::uint8_t> buffer)
        : read_(&read), unread_(size), buffer_(buffer) {}

    bool failed() const { return failed_; }

    // Copies the next `n` bytes to `dst`.
    bool Read(void* dst, std::size_t n) {
        if (n <= static_cast<std::size_t>(end_ - cur_)) {
            if (n) std::memcpy(dst, cur_, n);
            cur_ += n;
            return true;
        }
        return ReadSlow(static_cast<std::uint8_t*>(dst), n);
    }

    bool Skip(std::size_t n) {
        if (n <= static_cast<std::size_t>(end_ - cur_)) {
            cur_ += n;
            return true;
        }
        return ReadSlow(nullptr, n);
    }

private:
    // Across the end of the buffer: what is there, then a refill, in pieces
    // as long as the buffer.
    bool ReadSlow(std::uint8_t* dst, std::size_t n) {
        for (;;) {
            const std::size_t take = std::min(n, static_cast<std::size_t>(end_ - cur_));
            if (dst && take) {
                std::memcpy(dst, cur_, take);
                dst += take;
            }
            cur_ += take;
            n -= take;
            if (n == 0) return true;
            if (!Refill()) return false;
        }
    }

    bool Refill() {
        if (!read_ || unread_ == 0 || buffer_.empty()) return Failed();
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size(), unread_));
        if (!(*read_)(buffer_.first(chunk))) return Failed();
        unread_ -= chunk;
        cur_ = buffer_.data();
        end_ = cur_ + chunk;
        return true;
    }

    bool Failed() {
        failed_ = true;
        cur_ = end_;
        return false;
    }

    const std::uint8_t* cur_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    const VqfReader* read_ = nullptr;
    std::uint64_t unread_ = 0;  // source bytes not yet taken into the buffer
    std::span<std::uint8_t> buffer_;
    bool failed_ = false;
};

// The one walk over a file: every field is checked against the 32-bit count
// of bytes left before it is read, and, when building, read into records.
// The check alone skips the texts instead of keeping them.
class Walker {
public:
    Walker(Input& in, std::uint32_t size, VqfCheckResult& result) : in_(in), left_(size), result_(result) {}

    std::uint64_t pos() const { return pos_; }
    std::uint32_t left() const { return left_; }

    bool Magic() { return Skip(VqfField::Magic, 0, kVqfMagicSize); }

    bool Number(VqfField field, std::uint32_t index, std::uint32_t& value) {
        if (left_ < 4) return Fail(field, index, pos_, 4, left_);
        std::uint8_t b[4];
        if (!in_.Read(b, 4)) return ReadFailed(index, 4);
        value = Get32(b);
        Advance(4);
        return true;
    }

    // A length and the bytes it announces, kept in `out` unless it is null.
    // A refused length is reported at the length field's offset, with the
    // bytes left after it. `stored` receives the length as stored.
    bool Text(VqfField length_field, VqfField text_field, std::uint32_t index, std::u16string* out,
              std::uint32_t* stored = nullptr) {
        const std::uint64_t at = pos_;
        std::uint32_t len = 0;
        if (!Number(length_field, index, len)) return false;
        if (len > left_) return Fail(text_field, index, at, len, left_);
        if (stored) *stored = len;
        if (!out || len == 0) {
            if (out) out->clear();  // a reused item must not keep the last text
            if (!in_.Skip(len)) return ReadFailed(index, len);
        } else {
            // An odd tail's high byte stays 0.
            out->assign((static_cast<std::size_t>(len) + 1) / 2, u'\0');
            if (!in_.Read(out->data(), len)) return ReadFailed(index, len);
            out->resize(ShownText(*out).size());
        }
        Advance(len);
        return true;
    }

    // The five date-times of an item, into `item` unless it is null.
    bool Times(std::uint32_t index, _EDIT_ITEM* item) {
        if (!item) return Skip(VqfField::DateTimes, index, kDateTimeBytes);
        if (left_ < kDateTimeBytes) return Fail(VqfField::DateTimes, index, pos_, kDateTimeBytes, left_);
        std::uint8_t b[kDateTimeBytes];
        if (!in_.Read(b, kDateTimeBytes)) return ReadFailed(index, kDateTimeBytes);
        item->planned_start = GetTimes(b);
        item->planned_end = GetTimes(b + 20);
        item->actual_start = GetTimes(b + 40);
        item->actual_end = GetTimes(b + 60);
        item->alarm = GetTimes(b + 80);
        Advance(kDateTimeBytes);
        return true;
    }

private:
    bool Skip(VqfField field, std::uint32_t index, std::uint32_t n) {
        if (left_ < n) return Fail(field, index, pos_, n, left_);
        if (!in_.Skip(n)) return ReadFailed(index, n);
        Advance(n);
        return true;
    }

    void Advance(std::uint32_t n) {
        pos_ += n;
        left_ -= n;
    }

    bool Fail(VqfField field, std::uint32_t index, std::uint64_t at, std::uint64_t needed, std::uint32_t left_then) {
        result_.ok = false;
        result_.field = field;
        result_.index = index;
        result_.offset = at;
        result_.needed = needed;
        result_.left = left_then;
        return false;
    }

    bool ReadFailed(std::uint32_t index, std::uint64_t needed) {
        return Fail(VqfField::Read, index, pos_, needed, left_);
    }

    Input& in_;
    std::uint64_t pos_ = 0;
    std::uint32_t left_;
    VqfCheckResult& result_;
};

// One item block into `p` (the texts only when `all_texts`), or past it
// when `p` is null.
bool WalkItem(Walker& w, std::uint32_t i, _EDIT_ITEM* p, bool all_texts) {
    std::uint32_t title_length = 0;
    if (!w.Text(VqfField::TitleLength, VqfField::Title, i, p ? &p->title : nullptr, &title_length) ||
        !w.Text(VqfField::KindLength, VqfField::Kind, i, p && all_texts ? &p->action_kind : nullptr) ||
        !w.Times(i, p) ||
        !w.Text(VqfField::LocationLength, VqfField::Location, i, p && all_texts ? &p->location : nullptr) ||
        !w.Text(VqfField::StatusLength, VqfField::Status, i, p && all_texts ? &p->status : nullptr))
        return false;
    if (p && title_length == 0) p->title = kNewActionTitle;
    return true;
}

// Checks a file of `size` bytes and, when `build` is set, loads it on the
// way, or hands each block to `visit`. The records are kept aside until the
// last kind block has passed.
VqfLoadResult Walk(Input& in, std::uint64_t size, bool build, const VqfVisitor* visit = nullptr) {
    VqfLoadResult out;
    VqfCheckResult& result = out.check;
    if (size > kMaxFileSize) {
        result.field = VqfField::FileSize;
        result.needed = size;
        return out;
    }
    Walker w(in, static_cast<std::uint32_t>(size), result);
    std::uint32_t items = 0;
    if (!w.Magic() || !w.Number(VqfField::ItemCount, 0, items)) return out;

    VqfDocument doc;
    std::unique_ptr<_ITEM_LIST>* tail = &doc.item_list;
    std::unique_ptr<_ITEM_LIST> item;
    _EDIT_ITEM visited;
    const bool visit_items = visit && visit->item;
    const bool all_texts = build || (visit_items && !visit->titles_only);
    // Every block consumes at least 4 bytes or fails, so a huge count stops
    // at the end of the file, and no more records are made than the file
    // has blocks for.
    for (std::uint32_t i = 0; i < items; ++i) {
        const std::uint64_t offset = w.pos();
        if (build) item = std::make_unique<_ITEM_LIST>();
        _EDIT_ITEM* p = build ? item.get() : visit_items ? &visited : nullptr;
        if (!WalkItem(w, i, p, all_texts)) return out;
        if (build) {
            *tail = std::move(item);
            tail = &(*tail)->next;
        } else if (visit_items) {
            visit->item(i, offset, visited);
        }
    }
    std::uint32_t kinds = 0;
    if (!w.Number(VqfField::KindCount, 0, kinds)) return out;
    std::unique_ptr<_KIND_LIST>* kind_tail = &doc.action_kinds;
    std::u16string text;
    const bool visit_kinds = visit && visit->kind;
    for (std::uint32_t k = 0; k < kinds; ++k) {
        if (!w.Text(VqfField::KindTextLength, VqfField::KindText, k, build || visit_kinds ? &text : nullptr))
            return out;
        if (build) {
            *kind_tail = std::make_unique<_KIND_LIST>(std::move(text));
            kind_tail = &(*kind_tail)->next;
            text.clear();
        } else if (visit_kinds) {
            visit->kind(k, text);
        }
    }
    result.ok = true;
    result.item_count = items;
    result.kind_count = kinds;
    result.end = w.pos();
    result.left = w.left();
    out.doc = std::move(doc);
    return out;
}

// Lays bytes down in a buffer and hands each full one to the sink. After a
// refusal it takes no more.
class Output {
public:
    Output(std::span<std::uint8_t> buffer, const VqfSink& sink) : buffer_(buffer), sink_(sink) {}

    bool failed() const { return failed_; }

    void Put(const void* src, std::size_t n) {
        if (n <= buffer_.size() - used_) {
            if (n) std::memcpy(buffer_.data() + used_, src, n);
            used_ += n;
            return;
        }
        PutSlow(static_cast<const std::uint8_t*>(src), n);
    }

    void Put32(std::uint32_t v) {
        std::uint8_t b[4];
        ::Put32(b, v);
        Put(b, 4);
    }

    void Text(std::u16string_view text) {
        Put32(static_cast<std::uint32_t>(text.size() * 2));
        Put(text.data(), text.size() * 2);
    }

    void Times(const _TIMES& t) {
        std::uint8_t b[20];
        PutTimes(b, t);
        Put(b, 20);
    }

    // Hands out what the buffer holds.
    bool Flush() {
        if (!failed_ && used_ && !sink_(buffer_.first(used_))) failed_ = true;
        used_ = 0;
        return !failed_;
    }

private:
    void PutSlow(const std::uint8_t* src, std::size_t n) {
        while (n && !failed_) {
            if (used_ == buffer_.size() && !Flush()) return;
            const std::size_t take = std::min(n, buffer_.size() - used_);
            std::memcpy(buffer_.data() + used_, src, take);
            used_ += take;
            src += take;
            n -= take;
        }
    }

    std::span<std::uint8_t> buffer_;
    std::size_t used_ = 0;
    const VqfSink& sink_;
    bool failed_ = false;
};

// The size of the file for a document, counted before anything is written.
std::uint64_t FileSize(const _ITEM_LIST* items, const _KIND_LIST* kinds) {
    std::uint64_t size = kVqfMagicSize + 4 + 4;
    for (const _ITEM_LIST* it = items; it; it = it->next.get())
        size += 16 + kDateTimeBytes +
                2 * (ShownText(it->title).size() + ShownText(it->action_kind).size() +
                     ShownText(it->location).size() + ShownText(it->status).size());
    for (const _KIND_LIST* k = kinds; k; k = k->next.get()) size += 4 + 2 * ShownText(k->text).size();
    return size;
}

// The file's fields in order, for a document already known to fit.
VqfWriteStatus Lay(const _ITEM_LIST* items, const _KIND_LIST* kinds, Output& out) {
    out.Put(kVqfMagic, kVqfMagicSize);
    std::uint32_t item_count = 0, kind_count = 0;
    for (const _ITEM_LIST* it = items; it; it = it->next.get()) ++item_count;
    for (const _KIND_LIST* k = kinds; k; k = k->next.get()) ++kind_count;
    out.Put32(item_count);
    for (const _ITEM_LIST* it = items; it; it = it->next.get()) {
        out.Text(ShownText(it->title));
        out.Text(ShownText(it->action_kind));
        out.Times(it->planned_start);
        out.Times(it->planned_end);
        out.Times(it->actual_start);
        out.Times(it->actual_end);
        out.Times(it->alarm);
        out.Text(ShownText(it->location));
        out.Text(ShownText(it->status));
        if (out.failed()) return VqfWriteStatus::SinkFailed;
    }
    out.Put32(kind_count);
    for (const _KIND_LIST* k = kinds; k; k = k->next.get()) out.Text(ShownText(k->text));
    return out.Flush() ? VqfWriteStatus::Written : VqfWriteStatus::SinkFailed;
}

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
        case VqfField::Read:
            return "file could not be read at offset " + std::to_string(offset) + " (" + std::to_string(needed) +
                   " bytes wanted)";
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
    Input in(bytes);
    return Walk(in, bytes.size(), false).check;
}

VqfDocument LoadVqf(std::span<const std::uint8_t> bytes) {
    Input in(bytes);
    return std::move(Walk(in, bytes.size(), true).doc);
}

VqfLoadResult LoadVqfFrom(std::uint64_t size, const VqfReader& read, std::size_t buffer_size) {
    // Never a buffer larger than the file needs.
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>({std::max<std::size_t>(buffer_size, 1), size, kMaxFileSize})));
    Input in(read, size, buffer);
    return Walk(in, size, true);
}

VqfWriteStatus WriteVqfTo(const _ITEM_LIST* items, const _KIND_LIST* kinds, const VqfSink& sink,
                          std::size_t buffer_size) {
    const std::uint64_t size = FileSize(items, kinds);
    if (size > kMaxFileSize) return VqfWriteStatus::TooLarge;
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::size_t>(buffer_size, 1), size)));
    Output out(buffer, sink);
    return Lay(items, kinds, out);
}

std::vector<std::uint8_t> WriteVqf(const _ITEM_LIST* items, const _KIND_LIST* kinds) {
    // The vector is the buffer: the file is laid down in it in one piece.
    const std::uint64_t size = FileSize(items, kinds);
    if (size > kMaxFileSize) return {};
    std::vector<std::uint8_t> file(static_cast<std::size_t>(size));
    const VqfSink keep = [](std::span<const std::uint8_t>) { return true; };
    Output out(file, keep);
    Lay(items, kinds, out);
    return file;
}

VqfCheckResult VisitVqfFrom(std::uint64_t size, const VqfReader& read, const VqfVisitor& visit,
                            std::size_t buffer_size) {
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>({std::max<std::size_t>(buffer_size, 1), size, kMaxFileSize})));
    Input in(read, size, buffer);
    return Walk(in, size, false, &visit).check;
}

bool ReadVqfItemFrom(std::uint64_t left, const VqfReader& read, _EDIT_ITEM& item, std::size_t buffer_size) {
    left = std::min(left, kMaxFileSize);
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(std::min<std::uint64_t>(std::max<std::size_t>(buffer_size, 1), left)));
    Input in(read, left, buffer);
    VqfCheckResult result;
    Walker w(in, static_cast<std::uint32_t>(left), result);
    return WalkItem(w, 0, &item, true);
}

void AppendVqfU32(std::string& out, std::uint32_t value) {
    std::uint8_t b[4];
    Put32(b, value);
    out.append(reinterpret_cast<const char*>(b), 4);
}

void AppendVqfText(std::string& out, std::u16string_view text) {
    text = ShownText(text);
    const std::size_t at = out.size();
    out.resize(at + 4 + text.size() * 2);
    PutText(reinterpret_cast<std::uint8_t*>(out.data() + at), text);
}

void AppendVqfItem(std::string& out, const _EDIT_ITEM& item) {
    AppendVqfText(out, item.title);
    AppendVqfText(out, item.action_kind);
    std::uint8_t b[kDateTimeBytes];
    PutTimes(PutTimes(PutTimes(PutTimes(PutTimes(b, item.planned_start), item.planned_end), item.actual_start),
                      item.actual_end),
             item.alarm);
    out.append(reinterpret_cast<const char*>(b), kDateTimeBytes);
    AppendVqfText(out, item.location);
    AppendVqfText(out, item.status);
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
