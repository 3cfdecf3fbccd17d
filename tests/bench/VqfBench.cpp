// Throughput of the .vqf codec on a large document: prints MB/s for the
// writer and for check + load. Not a test: run it by hand.
#include <chrono>
#include <cstdio>
#include <string>

#include "Records.h"
#include "Sample.h"
#include "VqfCodec.h"

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::stoi(argv[1]) : 100000;
    // The same realistic documents as the dialog benchmark: Japanese texts,
    // statuses of 50 to 500 units, dates over several years.
    const VqfDocument sample = MakeSampleDocument(static_cast<std::size_t>(items), 20240605);
    const _ITEM_LIST* head = sample.item_list.get();
    const _KIND_LIST* kinds = sample.action_kinds.get();

    using Clock = std::chrono::steady_clock;
    const int rounds = 10;
    std::vector<std::uint8_t> file;
    auto t0 = Clock::now();
    for (int r = 0; r < rounds; ++r) file = WriteVqf(head, kinds);
    auto t1 = Clock::now();
    std::size_t loaded = 0;
    for (int r = 0; r < rounds; ++r) {
        if (!CheckVqf(file)) return 1;
        VqfDocument doc = LoadVqf(file);
        loaded += CountItems(doc.item_list.get());
    }
    auto t2 = Clock::now();
    const double mb = static_cast<double>(file.size()) * rounds / 1e6;
    const double write_s = std::chrono::duration<double>(t1 - t0).count();
    const double read_s = std::chrono::duration<double>(t2 - t1).count();
    std::printf("%d items, %.1f MB file\n", items, static_cast<double>(file.size()) / 1e6);
    std::printf("write:        %8.0f MB/s\n", mb / write_s);
    std::printf("check + load: %8.0f MB/s (%zu items loaded)\n", mb / read_s, loaded / rounds);
    return 0;
}
