// Writes the seed corpus of the fuzz targets into a directory: sample
// documents from the project's generator, and a few files that sit on the
// edges of the format (no items, odd lengths, NULs, lone surrogates, an empty
// title, another magic, bytes after the last kind, a last-file record).
//
//   make_fuzz_corpus <directory>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "Sample.h"
#include "VqfCodec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutText(Bytes& b, std::u16string_view s) {
    Put32(b, static_cast<std::uint32_t>(s.size() * 2));
    for (char16_t c : s) {
        b.push_back(static_cast<std::uint8_t>(c));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

bool Save(const std::string& dir, const std::string& name, const Bytes& b) {
    std::ofstream f(dir + "/" + name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(f);
}

Bytes Sample(std::size_t items, std::uint64_t seed) {
    const VqfDocument doc = MakeSampleDocument(items, seed);
    return WriteVqf(doc.item_list.get(), doc.action_kinds.get());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <directory>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    ok &= Save(dir, "sample-1.vqf", Sample(1, 1));
    ok &= Save(dir, "sample-3.vqf", Sample(3, 2));
    ok &= Save(dir, "sample-8.vqf", Sample(8, 3));

    Bytes empty(kVqfMagic, kVqfMagic + kVqfMagicSize);
    Put32(empty, 0);
    Put32(empty, 0);
    ok &= Save(dir, "no-items.vqf", empty);

    // One item whose texts break the writer's form: an empty title, an odd
    // length, a NUL inside, a lone surrogate; a kind; three trailing bytes.
    Bytes edges(kVqfMagicSize, 'x');
    Put32(edges, 2);
    PutText(edges, u"");
    Put32(edges, 3);
    edges.insert(edges.end(), {'A', 0, 'B'});
    for (int i = 0; i < 25; ++i) Put32(edges, i == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(i));
    PutText(edges, std::u16string(u"a\0b", 3));
    PutText(edges, u"\xD800 lone");
    PutText(edges, u"𠮷");
    PutText(edges, u"k");
    edges.resize(edges.size() + 100, 0);
    PutText(edges, u"");
    PutText(edges, u"\r\n");
    Put32(edges, 1);
    PutText(edges, u"会議");
    edges.insert(edges.end(), {1, 2, 3});
    ok &= Save(dir, "edges.vqf", edges);

    ok &= Save(dir, "last-file.dat", EncodeLastFileRecord(u"C:\\データ\\plan.vqf"));
    if (!ok) std::fprintf(stderr, "could not write the corpus into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
