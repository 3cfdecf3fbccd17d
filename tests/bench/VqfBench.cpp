// Throughput of the .vqf codec on a large document: prints MB/s for the
// writer and for check + load, both on a whole file in memory and streamed
// through the 1 MiB buffer that the program's open and save use. Not a test:
// run it by hand.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

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
    // Each load is timed without the release of the document it built (a
    // cost of its own, paid when a document is closed).
    std::size_t loaded = 0;
    double load_s = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        if (!CheckVqf(file)) return 1;
        VqfDocument doc = LoadVqf(file);
        load_s += seconds(start, Clock::now());
        loaded += CountItems(doc.item_list.get());
    }

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
    double stream_s = 0;
    for (int r = 0; r < rounds; ++r) {
        std::size_t at = 0;
        const VqfReader from_memory = [&](std::span<std::uint8_t> into) {
            if (into.size() > file.size() - at) return false;
            std::memcpy(into.data(), file.data() + at, into.size());
            at += into.size();
            return true;
        };
        const auto start = Clock::now();
        VqfLoadResult result = LoadVqfFrom(file.size(), from_memory);
        stream_s += seconds(start, Clock::now());
        if (!result.check) return 1;
        streamed += CountItems(result.doc.item_list.get());
    }
    if (sunk != file.size() * rounds || streamed != loaded) return 1;

    const double mb = static_cast<double>(file.size()) * rounds / 1e6;

    // The same loads once the allocator keeps what a document released
    // instead of handing it back to the system: each document then lands in
    // memory already touched, as in a program that has had a document open.
    // Where first touches of memory are dear (a sandboxed kernel takes
    // milliseconds per MB), the two figures differ most.
    double warm_s = -1;
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, 256 << 20);
    warm_s = 0;
    for (int r = 0; r < rounds; ++r) {
        const auto start = Clock::now();
        if (!CheckVqf(file)) return 1;
        VqfDocument doc = LoadVqf(file);
        if (r > 0) warm_s += seconds(start, Clock::now());  // the first round touches the memory
    }
#endif
    std::printf("%d items, %.1f MB file\n", items, static_cast<double>(file.size()) / 1e6);
    std::printf("write:                   %8.0f MB/s\n", mb / seconds(t0, t1));
    std::printf("check + load:            %8.0f MB/s (%zu items loaded)\n", mb / load_s, loaded / rounds);
    std::printf("write, streamed:         %8.0f MB/s (1 MiB chunks to a sink)\n", mb / seconds(t3, t4));
    std::printf("check + load, streamed:  %8.0f MB/s (1 MiB chunks from memory)\n", mb / stream_s);
    if (warm_s > 0)
        std::printf("check + load, warm:      %8.0f MB/s (into memory the allocator kept)\n",
                    mb * (rounds - 1) / rounds / warm_s);
    return 0;
}
