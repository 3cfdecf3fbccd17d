// Any bytes as an action item file and as a last-file record: the check and
// the load never read outside the input, never leak, and agree with each
// other (a file the check passes always loads, with the counts it found).
#include <cstdint>
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
        for (const _ITEM_LIST* p = doc.item_list.get(); p; p = p->next.get()) {
            // Loaded texts end at their first NUL, as every later use sees them.
            FUZZ_CHECK(TitleKey(p->title).size() == p->title.size());
            FUZZ_CHECK(TitleKey(p->action_kind).size() == p->action_kind.size());
            FUZZ_CHECK(TitleKey(p->location).size() == p->location.size());
            FUZZ_CHECK(TitleKey(p->status).size() == p->status.size());
        }
        for (const _KIND_LIST* k = doc.action_kinds.get(); k; k = k->next.get())
            FUZZ_CHECK(TitleKey(k->text).size() == k->text.size());
    } else {
        FUZZ_CHECK(r.field != VqfField::None);
        FUZZ_CHECK(r.offset <= size && r.left <= size - r.offset);
        FUZZ_CHECK(r.needed > r.left);
        FUZZ_CHECK(!doc.item_list && !doc.action_kinds);
    }

    // The same bytes as a last-file record: a bounded path without NULs.
    const std::u16string path = DecodeLastFileRecord(bytes);
    FUZZ_CHECK(path.size() <= kLastFilePathUnits);
    FUZZ_CHECK(TitleKey(path).size() == path.size());
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
