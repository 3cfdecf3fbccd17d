// The JSON reader of `vqf build` on any input, handed over in pieces of any
// size.
//
// It never crashes or takes memory beyond the input; it accepts only what a
// conforming JSON parser (nlohmann/json) accepts; every refusal names its
// line and column; and what it accepts, written again by dump's writer and
// read once more, gives the same items and kinds.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "VqfJson.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "check failed: %s\n", what);
        __builtin_trap();
    }
}

struct Read {
    std::vector<_EDIT_ITEM> items;
    std::vector<std::u16string> kinds;
    std::string error;
};

// The first byte of the input sets the piece size, so that refills fall
// anywhere in a token.
Read ReadAll(std::string_view text, std::size_t piece) {
    Read r;
    JsonDocumentHandler handler;
    handler.item = [&](const _EDIT_ITEM& item) { r.items.push_back(item); };
    handler.kind = [&](std::u16string_view kind) { r.kinds.emplace_back(kind); };
    std::size_t at = 0;
    try {
        ReadJsonDocument(
            [&](char* into, std::size_t n) {
                const std::size_t take = std::min({n, piece, text.size() - at});
                std::memcpy(into, text.data() + at, take);
                at += take;
                return take;
            },
            handler);
    } catch (const JsonFormatError& e) {
        r.error = e.what();
        if (r.error.empty()) r.error = "?";
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 16;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const Read first = ReadAll(text, piece);
    if (!first.error.empty()) {
        Check(first.error.rfind("line ", 0) == 0, "a refusal names its line");
        return 0;
    }
    Check(nlohmann::json::accept(text), "accepted input is JSON");

    std::string again = JsonDocumentOpening();
    for (std::size_t i = 0; i < first.items.size(); ++i) AppendJsonItem(again, first.items[i], i == 0);
    again += JsonDocumentMiddle(!first.items.empty());
    for (std::size_t i = 0; i < first.kinds.size(); ++i) AppendJsonKind(again, first.kinds[i], i == 0);
    again += JsonDocumentClosing(!first.kinds.empty());
    const Read second = ReadAll(again, 1 << 20);
    Check(second.error.empty(), "the writer's output is read back");
    Check(second.items == first.items && second.kinds == first.kinds, "items and kinds come back");
    return 0;
}
