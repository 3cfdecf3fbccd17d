// The calendar reader of `vqf import` on any input.
//
// It never crashes, hangs or takes memory beyond its bounds; a refusal and
// every warning name a line; every date-time it gives is one the program
// can show (UTC+9, hours 1 to 24), or unset.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "Times.h"
#include "VqfImport.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        __builtin_trap();
    }
}

bool Shown(const _TIMES& t) {
    if (t == _TIMES{}) return true;
    return t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           static_cast<unsigned>(t.day) <= GetDates(static_cast<unsigned>(t.year), static_cast<unsigned>(t.month)) &&
           t.hour >= 1 && t.hour <= 24 && t.minute >= 0 && t.minute <= 59;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t at = 0;
    ImportHandler handler;
    handler.item = [](const _EDIT_ITEM& item, std::size_t line) {
        Check(line >= 1, "an item has its line");
        for (const _TIMES* t : {&item.planned_start, &item.planned_end, &item.actual_start, &item.actual_end, &item.alarm})
            Check(Shown(*t), "date-times the program can show");
    };
    handler.warning = [](const std::string& w) { Check(w.rfind("line ", 0) == 0, "a warning names its line"); };
    try {
        ReadCalendar(
            [&](char* into, std::size_t n) {
                const std::size_t take = std::min(n, text.size() - at);
                std::memcpy(into, text.data() + at, take);
                at += take;
                return take;
            },
            handler);
    } catch (const ImportFormatError& e) {
        Check(std::string(e.what()).rfind("line ", 0) == 0, "a refusal names its line");
    }
    return 0;
}
