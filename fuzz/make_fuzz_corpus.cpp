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
#include "VqfBytes.h"
#include "VqfCodec.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

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

    ok &= Save(dir, "no-items.vqf", VqfBytes().Count(0).Count(0).b);

    // One item whose texts break the writer's form: an empty title, an odd
    // length, a NUL inside, a lone surrogate; a kind; three trailing bytes.
    VqfBytes edges(std::string(kVqfMagicSize, 'x'));
    edges.Count(2).Text(u"").TextBytes({'A', 0, 'B'}).Times();
    Set32(edges.b, edges.b.size() - 100, 0xFFFFFFFFu);
    edges.Text(std::u16string(u"a\0b", 3)).Text(u"\xD800 lone");
    edges.Text(u"𠮷").Text(u"k").Zeros(100).Text(u"").Text(u"\r\n");
    edges.Count(1).Text(u"会議").Raw({1, 2, 3});
    ok &= Save(dir, "edges.vqf", edges.b);

    ok &= Save(dir, "last-file.dat", EncodeLastFileRecord(u"C:\\データ\\plan.vqf"));
    if (!ok) std::fprintf(stderr, "could not write the corpus into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
