// Round trips through the file format, both ways.
//
// bytes -> document -> bytes: for any file the check passes, writing the
// loaded document gives a file that loads to the same document and writes
// back to itself. It equals the input up to the ignored tail exactly when the
// input is already in the writer's form: the 17 magic bytes as written, every
// stored length even, no title of length 0 (it loads as "NewAction") and no
// NUL unit in any text (a NUL ends the text). Both directions are asserted.
//
// document -> bytes -> document: any document, built from the input, comes
// back as itself once its texts are cut at their first NUL and an empty title
// has become "NewAction".
#include <cstdint>
#include <cstring>
#include <span>

#include "FuzzDoc.h"

namespace {

std::uint32_t Get32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// An independent walk over a file that passed the check: is every field in
// the form the writer gives it?
bool InWriterForm(std::span<const std::uint8_t> b) {
    if (std::memcmp(b.data(), kVqfMagic, kVqfMagicSize) != 0) return false;
    std::size_t pos = kVqfMagicSize;
    auto text = [&](bool title) {
        const std::uint32_t len = Get32(&b[pos]);
        pos += 4;
        bool ok = len % 2 == 0 && !(title && len == 0);
        for (std::uint32_t i = 0; ok && i < len; i += 2) ok = b[pos + i] != 0 || b[pos + i + 1] != 0;
        pos += len;
        return ok;
    };
    bool ok = true;
    const std::uint32_t items = Get32(&b[pos]);
    pos += 4;
    for (std::uint32_t i = 0; i < items; ++i) {
        ok &= text(true);
        ok &= text(false);
        pos += 100;
        ok &= text(false);
        ok &= text(false);
    }
    const std::uint32_t kinds = Get32(&b[pos]);
    pos += 4;
    for (std::uint32_t k = 0; k < kinds; ++k) ok &= text(false);
    return ok;
}

// A document that has been through the file once (texts without NULs, no
// empty title) is written and read back unchanged, and so are its bytes. A
// loaded document need not be one: a title stored as a NUL unit loads empty
// and is written with length 0, which then loads as "NewAction".
void CheckFixedPoint(const VqfDocument& doc) {
    for (const _ITEM_LIST* p : ChainNodes(doc.item_list.get()))
        if (p->title.empty()) return;
    const std::vector<std::uint8_t> out = fuzzdoc::Write(doc);
    const VqfDocument back = LoadVqf(out);
    FUZZ_CHECK(fuzzdoc::Equal(back, doc));
    FUZZ_CHECK(fuzzdoc::Write(back) == out);
}

void BytesDocBytes(std::span<const std::uint8_t> bytes) {
    const VqfCheckResult r = CheckVqf(bytes);
    if (!r) return;
    const VqfDocument doc = LoadVqf(bytes);
    const std::vector<std::uint8_t> out = fuzzdoc::Write(doc);
    const VqfCheckResult r2 = CheckVqf(out);
    FUZZ_CHECK(r2.ok && r2.left == 0 && r2.end == out.size());
    FUZZ_CHECK(r2.item_count == r.item_count && r2.kind_count == r.kind_count);

    VqfDocument reread = LoadVqf(out);
    VqfDocument expected = LoadVqf(bytes);
    fuzzdoc::Normalise(expected);
    FUZZ_CHECK(fuzzdoc::Equal(reread, expected));
    CheckFixedPoint(reread);

    const bool same = out.size() == r.end && std::memcmp(out.data(), bytes.data(), out.size()) == 0;
    FUZZ_CHECK(same == InWriterForm(bytes));
}

void DocBytesDoc(FuzzedDataProvider& in) {
    VqfDocument doc = fuzzdoc::Document(in);
    const std::vector<std::uint8_t> out = fuzzdoc::Write(doc);
    const VqfCheckResult r = CheckVqf(out);
    FUZZ_CHECK(r.ok && r.left == 0);
    FUZZ_CHECK(r.item_count == CountItems(doc.item_list.get()) && r.kind_count == CountKinds(doc.action_kinds.get()));
    const VqfDocument back = LoadVqf(out);
    fuzzdoc::Normalise(doc);
    FUZZ_CHECK(fuzzdoc::Equal(back, doc));
    CheckFixedPoint(back);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BytesDocBytes({data, size});
    FuzzedDataProvider in(data, size);
    DocBytesDoc(in);
    return 0;
}
