// Any bytes as an action item file and as a last-file record: the check and
// the load never read outside the input, never leak, and agree with each
// other (a file the check passes always loads, with the counts it found).
// Streamed through a buffer whose size comes from the input, the load says
// and builds exactly what the in-memory one does; a source that stops
// delivering midway leaves nothing.
#include <cstdint>
#include <cstring>
#include <span>

#include "FuzzDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);

    const VqfCheckResult r = CheckVqf(bytes);
    FUZZ_CHECK(!r.Describe().empty());
    const VqfDocument doc = LoadVqf(bytes);
    if (r.ok) {
        FUZZ_CHECK(r.field == VqfField::None);
        FUZZ_CHECK(r.end >= kVqfMagicSize + 8 && r.end + r.left == size);
        FUZZ_CHECK(CountItems(doc.item_list.get()) == r.item_count);
        FUZZ_CHECK(CountKinds(doc.action_kinds.get()) == r.kind_count);
        for (const _ITEM_LIST* p : ChainNodes(doc.item_list.get())) {
            // Loaded texts end at their first NUL, as every later use sees them.
            FUZZ_CHECK(ShownText(p->title).size() == p->title.size());
            FUZZ_CHECK(ShownText(p->action_kind).size() == p->action_kind.size());
            FUZZ_CHECK(ShownText(p->location).size() == p->location.size());
            FUZZ_CHECK(ShownText(p->status).size() == p->status.size());
        }
        for (const _KIND_LIST* k : ChainNodes(doc.action_kinds.get()))
            FUZZ_CHECK(ShownText(k->text).size() == k->text.size());
    } else {
        FUZZ_CHECK(r.field != VqfField::None);
        FUZZ_CHECK(r.offset <= size && r.left <= size - r.offset);
        FUZZ_CHECK(r.needed > r.left);
        FUZZ_CHECK(!doc.item_list && !doc.action_kinds);
    }

    // The last two bytes pick the buffer size (1 to 65536) and the first
    // refused read of the failing source.
    const std::size_t buffer = 1 + (size >= 2 ? (data[size - 1] | data[size - 2] << 8) : 0);
    const std::size_t fail_at = size ? data[size - 1] % 8 : 0;
    for (const bool failing : {false, true}) {
        std::size_t at = 0, requests = 0;
        const VqfReader read = [&](std::span<std::uint8_t> into) {
            FUZZ_CHECK(into.size() <= buffer && into.size() <= size - at);
            if (failing && requests++ == fail_at) return false;
            std::memcpy(into.data(), data + at, into.size());
            at += into.size();
            return true;
        };
        const VqfLoadResult s = LoadVqfFrom(size, read, buffer);
        if (s.check.field == VqfField::Read) {
            FUZZ_CHECK(failing && !s.check.ok && !s.doc.item_list && !s.doc.action_kinds);
            FUZZ_CHECK(s.check.offset <= fail_at * buffer);
            continue;
        }
        FUZZ_CHECK(s.check.ok == r.ok && s.check.field == r.field && s.check.index == r.index);
        FUZZ_CHECK(s.check.offset == r.offset && s.check.needed == r.needed && s.check.left == r.left);
        FUZZ_CHECK(s.check.item_count == r.item_count && s.check.kind_count == r.kind_count && s.check.end == r.end);
        FUZZ_CHECK(fuzzdoc::Equal(doc, s.doc));
    }

    // The same bytes as a last-file record: a bounded path without NULs.
    const std::u16string path = DecodeLastFileRecord(bytes);
    FUZZ_CHECK(path.size() <= kLastFilePathUnits);
    FUZZ_CHECK(ShownText(path).size() == path.size());
    if (size < 8) FUZZ_CHECK(path.empty());
    const std::u16string_view name = FileNameOfPath(path);
    FUZZ_CHECK(name.size() <= path.size() && name.find(u'\\') == std::u16string_view::npos);
    (void)NeedsVqfExtension(name);
    // A record is at least 8 bytes, so a path of one unit is never read back.
    if (path.size() >= 2) {
        const std::vector<std::uint8_t> again = EncodeLastFileRecord(path);
        FUZZ_CHECK(DecodeLastFileRecord(again) == path);
    }
    return 0;
}
