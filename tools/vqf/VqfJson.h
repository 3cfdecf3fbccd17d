// The JSON form of a document, for scripts: `vqf dump --json` writes it and
// `vqf build` reads it back, both one item at a time so that a document of
// any length passes through in little memory.
//
//   {"items": [{"title": ..., "action_kind": ..., "planned_start": DT,
//               "planned_end": DT, "actual_start": DT, "actual_end": DT,
//               "alarm": DT, "location": ..., "status": ...}, ...],
//    "action_kinds": [..., ...]}
//
// DT is {"year": Y, "month": M, "day": D, "hour": H, "minute": MI}, the five
// stored integers as they are (zone UTC+9, hours 1 to 24, all 0 = unset).
// A text is a JSON string (UTF-8) when its UTF-16 is well formed. A text
// with an unpaired surrogate, which a JSON string cannot carry, becomes
// {"text": <UTF-8 with U+FFFD for each unpaired surrogate>,
//  "utf16": [<every code unit as a number>]}; `build` uses "utf16" only, so
// nothing is lost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Records.h"

// ---- writing, laid out as two-space indented JSON

// "{\n  \"items\": [" and so on: the document is the opening, each item
// (`first` for the first one), the middle, each kind, the closing.
std::string JsonDocumentOpening();
void AppendJsonItem(std::string& out, const _EDIT_ITEM& item, bool first);
std::string JsonDocumentMiddle(bool had_items);
void AppendJsonKind(std::string& out, std::u16string_view kind, bool first);
std::string JsonDocumentClosing(bool had_kinds);

// ---- reading

// Input that is not JSON, or JSON that does not describe a document. what()
// names the place: "line 3, column 15: items[1].planned_end.hour: expected
// an integer from -2147483648 to 4294967295".
class JsonFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Fills `into` with up to `size` bytes of input; 0 at its end.
using JsonSource = std::function<std::size_t(char* into, std::size_t size)>;

struct JsonDocumentHandler {
    // Each item in document order (reused for the next one).
    std::function<void(const _EDIT_ITEM& item)> item;
    // Each kind in document order.
    std::function<void(std::u16string_view kind)> kind;
};

// Reads a whole document from `source`, handing out items and kinds as they
// come; throws JsonFormatError at the first fault. Memory stays within the
// buffer and the longest text, whatever the input's size or nesting.
void ReadJsonDocument(const JsonSource& source, const JsonDocumentHandler& handler);
