// The JSON form of a document, for scripts: `vqf dump --json` writes it and
// `vqf build` reads it back.
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

#include <stdexcept>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "VqfCodec.h"

using Json = nlohmann::ordered_json;

Json TextToJson(std::u16string_view text);
Json TimesToJson(const _TIMES& t);
Json DocumentToJson(const VqfDocument& doc);

// A JSON value that does not describe a document; what() names the place,
// e.g. "items[3].planned_end.hour: expected an integer".
class JsonFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::u16string TextFromJson(const Json& value, const std::string& where);
_TIMES TimesFromJson(const Json& value, const std::string& where);
VqfDocument DocumentFromJson(const Json& value);
