// Throughput of the .vqf codec on a large document: prints MB/s for the
// writer and for check + load. Not a test: run it by hand.
#include <chrono>
#include <cstdio>
#include <string>

#include "Records.h"
#include "VqfCodec.h"

int main(int argc, char** argv) {
    const int items = argc > 1 ? std::stoi(argv[1]) : 100000;
    std::unique_ptr<_ITEM_LIST> head;
    auto* tail = &head;
    for (int i = 0; i < items; ++i) {
        auto item = std::make_unique<_ITEM_LIST>();
        item->title = u"Action item number " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                      std::u16string(static_cast<std::size_t>(i % 7), u'x');
        item->action_kind = u"会議";
        item->planned_start = {2024, 1 + i % 12, 1 + i % 28, 1 + i % 24, i % 60};
        item->planned_end = item->planned_start;
        item->location = u"第二会議室";
        item->status = u"資料を準備する。\r\n議事録を送る。";
        *tail = std::move(item);
        tail = &(*tail)->next;
    }
    _KIND_LIST kinds(u"会議");

    using Clock = std::chrono::steady_clock;
    const int rounds = 10;
    std::vector<std::uint8_t> file;
    auto t0 = Clock::now();
    for (int r = 0; r < rounds; ++r) file = WriteVqf(head.get(), &kinds);
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
