// Throughput of the .vqf codec on a large document: prints MB/s for the
// writer and for check + load, both on a whole file in memory and streamed
// through the 1 MiB buffer that the program's open and save use. Not a test:
// run it by hand.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
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
    auto seconds = [](Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); };
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

    // Streamed: the sink only counts what it is handed; the source copies
    // from the file in memory, as a read from the system's cache would.
    std::uint64_t sunk = 0;
    const VqfSink discard = [&sunk](std::span<const std::uint8_t> chunk) {
        sunk += chunk.size();
        return true;
    };
    auto t3 = Clock::now();
    for (int r = 0; r < rounds; ++r)
        if (WriteVqfTo(head, kinds, discard) != VqfWriteStatus::Written) return 1;
    auto t4 = Clock::now();
    std::size_t streamed = 0;
    for (int r = 0; r < rounds; ++r) {
        std::size_t at = 0;
        const VqfReader from_memory = [&](std::span<std::uint8_t> into) {
            if (into.size() > file.size() - at) return false;
            std::memcpy(into.data(), file.data() + at, into.size());
            at += into.size();
            return true;
        };
        VqfLoadResult result = LoadVqfFrom(file.size(), from_memory);
        if (!result.check) return 1;
        streamed += CountItems(result.doc.item_list.get());
    }
    auto t5 = Clock::now();
    if (sunk != file.size() * rounds || streamed != loaded) return 1;

    const double mb = static_cast<double>(file.size()) * rounds / 1e6;
    std::printf("%d items, %.1f MB file\n", items, static_cast<double>(file.size()) / 1e6);
    std::printf("write:                   %8.0f MB/s\n", mb / seconds(t0, t1));
    std::printf("check + load:            %8.0f MB/s (%zu items loaded)\n", mb / seconds(t1, t2), loaded / rounds);
    std::printf("write, streamed:         %8.0f MB/s (1 MiB chunks to a sink)\n", mb / seconds(t3, t4));
    std::printf("check + load, streamed:  %8.0f MB/s (1 MiB chunks from memory)\n", mb / seconds(t4, t5));
    return 0;
}
