// The file streamed through a small buffer: the loader must say exactly what
// the check of the whole file says and build the same records, wherever the
// chunk boundaries fall; the writer must lay down the same bytes in chunks,
// and stop when its sink refuses one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ItemChain.h"
#include "Records.h"
#include "Sample.h"
#include "VqfBytes.h"
#include "VqfCodec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Chunk sizes that put every kind of field across a boundary: single bytes,
// a size that divides nothing in the layout, one below the date-times, one
// page, and the program's own buffer.
const std::size_t kBufferSizes[] = {1, 2, 7, 99, 4096, kVqfChunkSize};

// Four items and three kinds with every text the loader treats apart: a
// title stored empty, odd lengths, NULs inside, a status longer than most
// chunk sizes, non-BMP units and lone surrogates; then a few trailing bytes.
VqfBytes Varied() {
    constexpr std::uint32_t kSpread = 0x01000193u;  // each item its own date-times
    VqfBytes f;
    f.Count(4);
    f.Text(u"").Text(u"").Times(1 * kSpread).Text(u"").Text(u"");
    f.Text(u"会議の準備").TextBytes({'K', 0, 'x'}).Times(2 * kSpread).Text(u"本社").Text(std::u16string(5000, u'状'));
    f.Text(std::u16string(u"a\0b", 3)).Text(u"𠮷").Times(3 * kSpread).Text(u"\xD800").Text(u"\xDC00 end");
    f.TextBytes({0, 0}).Text(u"k").Times(4 * kSpread).TextBytes({'L'}).Text(u"s");
    f.Count(3).Text(u"会議").Text(u"").TextBytes({1, 2, 3});
    f.Raw({9, 9, 9});
    return f;
}

// Reads from bytes in memory, counting what was asked for; fails from the
// `fail_at`-th request on (never, by default).
struct MemorySource {
    const Bytes& bytes;
    std::size_t fail_at = SIZE_MAX;
    std::size_t at = 0;
    std::size_t requests = 0;

    VqfReader Reader() {
        return [this](std::span<std::uint8_t> into) {
            if (requests++ >= fail_at || into.size() > bytes.size() - at) return false;
            std::memcpy(into.data(), bytes.data() + at, into.size());
            at += into.size();
            return true;
        };
    }
};

void ExpectSameCheck(const VqfCheckResult& a, const VqfCheckResult& b) {
    EXPECT_EQ(a.ok, b.ok);
    EXPECT_EQ(a.field, b.field);
    EXPECT_EQ(a.index, b.index);
    EXPECT_EQ(a.offset, b.offset);
    EXPECT_EQ(a.needed, b.needed);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.item_count, b.item_count);
    EXPECT_EQ(a.kind_count, b.kind_count);
    EXPECT_EQ(a.end, b.end);
}

void ExpectSameDocument(const VqfDocument& a, const VqfDocument& b) {
    ASSERT_EQ(ChainItems(a.item_list.get()), ChainItems(b.item_list.get()));
    ASSERT_EQ(KindTexts(a.action_kinds.get()), KindTexts(b.action_kinds.get()));
}

// Every file the structural check can meet: the varied file whole, each of
// its prefixes, each count and length pointing past the end, a huge item
// count, another magic.
std::vector<std::pair<std::string, Bytes>> Files() {
    const VqfBytes f = Varied();
    std::vector<std::pair<std::string, Bytes>> files;
    files.emplace_back("whole", f.b);
    for (std::size_t n = 0; n < f.b.size(); n += (n < 200 || n + 200 > f.b.size()) ? 1 : 97)
        files.emplace_back("prefix " + std::to_string(n), Bytes(f.b.begin(), f.b.begin() + static_cast<std::ptrdiff_t>(n)));
    for (std::size_t at : f.length_fields)
        for (std::uint32_t value : {0xFFFFFFFFu, static_cast<std::uint32_t>(f.b.size() - at - 4 + 1)}) {
            Bytes m = f.b;
            Set32(m, at, value);
            files.emplace_back("field at " + std::to_string(at) + " = " + std::to_string(value), m);
        }
    Bytes huge = f.b;
    Set32(huge, kVqfMagicSize, 0xFFFFFFFF);
    files.emplace_back("huge item count", huge);
    Bytes magic = f.b;
    std::memcpy(magic.data(), "NotTheMagicAtAll!", kVqfMagicSize);
    files.emplace_back("another magic", magic);
    return files;
}

TEST(VqfStreamLoad, SameVerdictAndRecordsAsTheWholeFileAtEveryBufferSize) {
    int passed = 0, refused = 0;
    for (const auto& [name, file] : Files()) {
        const VqfCheckResult whole = CheckVqf(file);
        const VqfDocument expected = LoadVqf(file);
        (whole.ok ? passed : refused)++;
        for (std::size_t buffer : kBufferSizes) {
            SCOPED_TRACE(name + ", buffer " + std::to_string(buffer));
            MemorySource source{file};
            const VqfLoadResult streamed = LoadVqfFrom(file.size(), source.Reader(), buffer);
            ExpectSameCheck(streamed.check, whole);
            ExpectSameDocument(streamed.doc, expected);
            if (!whole.ok) {
                EXPECT_TRUE(!streamed.doc.item_list && !streamed.doc.action_kinds);
            }
            // Nothing after the buffer that holds the end of the structure
            // is ever asked for.
            if (whole.ok) {
                EXPECT_LT(source.at, whole.end + buffer);
            }
        }
    }
    // The table holds both outcomes, and the varied file loads its 4 items.
    EXPECT_GT(passed, 2);
    EXPECT_GT(refused, 100);
    MemorySource source{Varied().b};
    EXPECT_EQ(CountItems(LoadVqfFrom(source.bytes.size(), source.Reader(), 7).doc.item_list.get()), 4u);
}

TEST(VqfStreamLoad, SourceThatStopsDeliveringLeavesNothing) {
    const Bytes file = Varied().b;
    for (std::size_t buffer : {std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        const std::size_t requests = (file.size() + buffer - 1) / buffer;
        for (std::size_t fail_at = 0; fail_at < requests; fail_at += buffer == 1 ? 97 : 1) {
            SCOPED_TRACE("buffer " + std::to_string(buffer) + ", request " + std::to_string(fail_at));
            MemorySource source{file, fail_at};
            const VqfLoadResult r = LoadVqfFrom(file.size(), source.Reader(), buffer);
            // Every request but the trailer's is needed: a refused one ends
            // the load, at or before the point it would have reached.
            if (fail_at * buffer >= CheckVqf(file).end) {
                EXPECT_TRUE(r.check.ok);
                continue;
            }
            EXPECT_FALSE(r.check.ok);
            EXPECT_EQ(r.check.field, VqfField::Read) << r.check.Describe();
            EXPECT_LE(r.check.offset, fail_at * buffer);
            EXPECT_TRUE(!r.doc.item_list && !r.doc.action_kinds);
            EXPECT_EQ(source.requests, fail_at + 1);  // no retry after a failure
        }
    }
    // A file that is shorter than announced fails the same way.
    MemorySource shorter{file};
    const VqfLoadResult r = LoadVqfFrom(file.size() + 100, shorter.Reader(), 64);
    EXPECT_EQ(r.check.field, VqfField::Read);
    EXPECT_EQ(r.doc.item_list, nullptr);
}

TEST(VqfStreamLoad, SizesBeyondTheFormatAreRefusedUnread) {
    const Bytes file = Varied().b;
    for (std::uint64_t size : {0xFFFFFFFFull, 0x100000000ull, 0xFFFFFFFFFFull}) {
        SCOPED_TRACE(size);
        MemorySource source{file};
        if (size == 0xFFFFFFFF) {
            // The largest size the format can state is read: the structure
            // passes, and the rest counts as bytes after the kinds.
            const VqfLoadResult r = LoadVqfFrom(size, source.Reader(), 1);
            EXPECT_TRUE(r.check.ok) << r.check.Describe();
            EXPECT_EQ(r.check.left, size - CheckVqf(file).end);
            continue;
        }
        const VqfLoadResult r = LoadVqfFrom(size, source.Reader());
        EXPECT_EQ(r.check.field, VqfField::FileSize);
        EXPECT_EQ(source.requests, 0u);
    }
}

// A document whose texts pass through chunks of every size: the sample
// generator's, plus a status longer than the largest buffer tried here.
VqfDocument WideDocument() {
    VqfDocument doc = MakeSampleDocument(40, 99);
    _ITEM_LIST* last = doc.item_list.get();
    while (last->next) last = last->next.get();
    last->status.assign(5000, u'長');
    last->location = std::u16string(u"before\0after", 12);  // written up to the NUL
    return doc;
}

TEST(VqfStreamWrite, SameBytesInFullChunksAtEveryBufferSize) {
    const VqfDocument doc = WideDocument();
    const Bytes whole = WriteVqf(doc.item_list.get(), doc.action_kinds.get());
    ASSERT_GT(whole.size(), 10000u);
    for (std::size_t buffer : kBufferSizes) {
        SCOPED_TRACE("buffer " + std::to_string(buffer));
        Bytes got;
        std::vector<std::size_t> chunks;
        const VqfWriteStatus status =
            WriteVqfTo(doc.item_list.get(), doc.action_kinds.get(), [&](std::span<const std::uint8_t> chunk) {
                got.insert(got.end(), chunk.begin(), chunk.end());
                chunks.push_back(chunk.size());
                return true;
            }, buffer);
        EXPECT_EQ(status, VqfWriteStatus::Written);
        EXPECT_EQ(got, whole);
        ASSERT_FALSE(chunks.empty());
        for (std::size_t i = 0; i + 1 < chunks.size(); ++i) ASSERT_EQ(chunks[i], buffer) << i;
        EXPECT_GE(chunks.back(), 1u);
        EXPECT_LE(chunks.back(), buffer);
    }
    // The smallest documents: no items, no kinds; one item; one kind that
    // holds a NUL, counted only up to it, so that nothing is left over.
    _ITEM_LIST one;
    one.title = u"A";
    const _KIND_LIST nul_kind(std::u16string(u"AB\0CD", 5));
    const struct {
        const _ITEM_LIST* items;
        const _KIND_LIST* kinds;
        std::size_t size;
    } smallest[] = {{nullptr, nullptr, 25}, {&one, nullptr, 143}, {nullptr, &nul_kind, 25 + 4 + 4}};
    for (const auto& c : smallest) {
        Bytes got;
        EXPECT_EQ(WriteVqfTo(c.items, c.kinds, [&](std::span<const std::uint8_t> chunk) {
                      got.insert(got.end(), chunk.begin(), chunk.end());
                      return true;
                  }, 3),
                  VqfWriteStatus::Written);
        EXPECT_EQ(got, WriteVqf(c.items, c.kinds));
        EXPECT_EQ(got.size(), c.size);
    }
}

TEST(VqfStreamWrite, RefusingSinkStopsTheWriting) {
    const VqfDocument doc = WideDocument();
    const Bytes whole = WriteVqf(doc.item_list.get(), doc.action_kinds.get());
    const std::size_t buffer = 4096;
    const std::size_t chunks = (whole.size() + buffer - 1) / buffer;
    ASSERT_GT(chunks, 3u);
    for (std::size_t refuse : {std::size_t{0}, std::size_t{1}, chunks / 2, chunks - 1}) {
        SCOPED_TRACE("refused chunk " + std::to_string(refuse));
        Bytes got;
        std::size_t calls = 0;
        const VqfWriteStatus status =
            WriteVqfTo(doc.item_list.get(), doc.action_kinds.get(), [&](std::span<const std::uint8_t> chunk) {
                if (calls++ == refuse) return false;
                got.insert(got.end(), chunk.begin(), chunk.end());
                return true;
            }, buffer);
        EXPECT_EQ(status, VqfWriteStatus::SinkFailed);
        EXPECT_EQ(calls, refuse + 1);  // never called again
        EXPECT_EQ(got, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(refuse * buffer)));
    }
}

TEST(VqfStreamRoundTrip, SampleDocumentThroughSmallBuffers) {
    const VqfDocument doc = WideDocument();
    for (std::size_t buffer : {std::size_t{5}, std::size_t{333}}) {
        Bytes file;
        ASSERT_EQ(WriteVqfTo(doc.item_list.get(), doc.action_kinds.get(), [&](std::span<const std::uint8_t> c) {
                      file.insert(file.end(), c.begin(), c.end());
                      return true;
                  }, buffer),
                  VqfWriteStatus::Written);
        MemorySource source{file};
        VqfLoadResult back = LoadVqfFrom(file.size(), source.Reader(), buffer);
        ASSERT_TRUE(back.check) << back.check.Describe();
        EXPECT_EQ(back.check.end, file.size());
        EXPECT_EQ(WriteVqf(back.doc.item_list.get(), back.doc.action_kinds.get()), file);
        EXPECT_EQ(CountItems(back.doc.item_list.get()), 40u);
    }
}

}  // namespace
