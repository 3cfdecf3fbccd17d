#include "VqfJson.h"

#include <cstdint>
#include <initializer_list>

#include "Utf8.h"

namespace {

constexpr const char* kTimeFields[] = {"year", "month", "day", "hour", "minute"};

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
    throw JsonFormatError(where + ": " + what);
}

void RequireObject(const Json& value, const std::string& where, std::initializer_list<std::string_view> keys) {
    if (!value.is_object()) Fail(where, "expected an object");
    // A misspelt key would otherwise drop its value without a word.
    for (const auto& [key, unused] : value.items()) {
        bool known = false;
        for (std::string_view k : keys) known = known || k == key;
        if (!known) Fail(where, "unknown key \"" + key + "\"");
    }
}

std::int32_t FieldFromJson(const Json& value, const std::string& where) {
    // Signed as dump writes them; the unsigned reading of the same 32 bits is
    // taken too, for hand-written files.
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()) {
            const auto u = value.get<std::uint64_t>();
            if (u <= 0xFFFFFFFFu) return static_cast<std::int32_t>(static_cast<std::uint32_t>(u));
        } else {
            const auto s = value.get<std::int64_t>();
            if (s >= INT32_MIN && s <= static_cast<std::int64_t>(0xFFFFFFFFu))
                return static_cast<std::int32_t>(static_cast<std::uint32_t>(s));
        }
    }
    Fail(where, "expected an integer from -2147483648 to 4294967295");
}

}  // namespace

Json TextToJson(std::u16string_view text) {
    if (IsWellFormedUtf16(text)) return ToUtf8(text);
    Json units = Json::array();
    for (char16_t u : text) units.push_back(static_cast<unsigned>(u));
    Json object = Json::object();
    object["text"] = ToUtf8(text);
    object["utf16"] = std::move(units);
    return object;
}

Json TimesToJson(const _TIMES& t) {
    Json object = Json::object();
    const std::int32_t fields[] = {t.year, t.month, t.day, t.hour, t.minute};
    for (int i = 0; i < 5; ++i) object[kTimeFields[i]] = fields[i];
    return object;
}

Json DocumentToJson(const VqfDocument& doc) {
    Json items = Json::array();
    for (const _ITEM_LIST* p = doc.item_list.get(); p != nullptr; p = p->next.get()) {
        Json item = Json::object();
        item["title"] = TextToJson(p->title);
        item["action_kind"] = TextToJson(p->action_kind);
        item["planned_start"] = TimesToJson(p->planned_start);
        item["planned_end"] = TimesToJson(p->planned_end);
        item["actual_start"] = TimesToJson(p->actual_start);
        item["actual_end"] = TimesToJson(p->actual_end);
        item["alarm"] = TimesToJson(p->alarm);
        item["location"] = TextToJson(p->location);
        item["status"] = TextToJson(p->status);
        items.push_back(std::move(item));
    }
    Json kinds = Json::array();
    for (const _KIND_LIST* k = doc.action_kinds.get(); k != nullptr; k = k->next.get())
        kinds.push_back(TextToJson(k->text));
    Json root = Json::object();
    root["items"] = std::move(items);
    root["action_kinds"] = std::move(kinds);
    return root;
}

std::u16string TextFromJson(const Json& value, const std::string& where) {
    if (value.is_string()) {
        // The parser has checked the UTF-8 already; this only converts.
        if (auto text = FromUtf8(value.get_ref<const std::string&>())) return *std::move(text);
        Fail(where, "not valid UTF-8");
    }
    if (value.is_object()) {
        RequireObject(value, where, {"text", "utf16"});
        const auto units = value.find("utf16");
        if (units == value.end() || !units->is_array()) Fail(where, "expected \"utf16\": an array of code units");
        std::u16string text;
        text.reserve(units->size());
        for (std::size_t i = 0; i < units->size(); ++i) {
            const Json& u = (*units)[i];
            if (!u.is_number_unsigned() || u.get<std::uint64_t>() > 0xFFFF)
                Fail(where + ".utf16[" + std::to_string(i) + "]", "expected an integer from 0 to 65535");
            text += static_cast<char16_t>(u.get<std::uint64_t>());
        }
        return text;
    }
    if (value.is_null()) return {};
    Fail(where, "expected a string");
}

_TIMES TimesFromJson(const Json& value, const std::string& where) {
    if (value.is_null()) return {};
    RequireObject(value, where, {"year", "month", "day", "hour", "minute"});
    std::int32_t fields[5] = {};
    for (int i = 0; i < 5; ++i) {
        const auto it = value.find(kTimeFields[i]);
        if (it != value.end()) fields[i] = FieldFromJson(*it, where + "." + kTimeFields[i]);
    }
    return _TIMES{fields[0], fields[1], fields[2], fields[3], fields[4]};
}

VqfDocument DocumentFromJson(const Json& root) {
    RequireObject(root, "document", {"items", "action_kinds"});
    VqfDocument doc;
    if (const auto items = root.find("items"); items != root.end()) {
        if (!items->is_array()) Fail("items", "expected an array");
        std::unique_ptr<_ITEM_LIST>* tail = &doc.item_list;
        for (std::size_t i = 0; i < items->size(); ++i) {
            const Json& in = (*items)[i];
            const std::string where = "items[" + std::to_string(i) + "]";
            RequireObject(in, where,
                          {"title", "action_kind", "planned_start", "planned_end", "actual_start", "actual_end",
                           "alarm", "location", "status"});
            auto item = std::make_unique<_ITEM_LIST>();
            auto text = [&](const char* key) {
                const auto it = in.find(key);
                return it == in.end() ? std::u16string() : TextFromJson(*it, where + "." + key);
            };
            auto times = [&](const char* key) {
                const auto it = in.find(key);
                return it == in.end() ? _TIMES{} : TimesFromJson(*it, where + "." + key);
            };
            item->title = text("title");
            item->action_kind = text("action_kind");
            item->planned_start = times("planned_start");
            item->planned_end = times("planned_end");
            item->actual_start = times("actual_start");
            item->actual_end = times("actual_end");
            item->alarm = times("alarm");
            item->location = text("location");
            item->status = text("status");
            *tail = std::move(item);
            tail = &(*tail)->next;
        }
    }
    if (const auto kinds = root.find("action_kinds"); kinds != root.end()) {
        if (!kinds->is_array()) Fail("action_kinds", "expected an array");
        std::unique_ptr<_KIND_LIST>* tail = &doc.action_kinds;
        for (std::size_t i = 0; i < kinds->size(); ++i) {
            *tail = std::make_unique<_KIND_LIST>(TextFromJson((*kinds)[i], "action_kinds[" + std::to_string(i) + "]"));
            tail = &(*tail)->next;
        }
    }
    return doc;
}
