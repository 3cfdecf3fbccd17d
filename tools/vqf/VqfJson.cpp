#include "VqfJson.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "Utf8.h"

namespace {

constexpr const char* kTimeFields[] = {"year", "month", "day", "hour", "minute"};
constexpr const char* kTextKeys[] = {"title", "action_kind", "location", "status"};
constexpr const char* kTimesKeys[] = {"planned_start", "planned_end", "actual_start", "actual_end", "alarm"};

// ---- writing

// A JSON string of UTF-8 text: quote, backslash and control characters
// escaped, everything else as it is.
void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    std::size_t run = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(utf8.data() + run, i - run);
        run = i + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            }
        }
    }
    out.append(utf8.data() + run, utf8.size() - run);
    out += '"';
}

void AppendText(std::string& out, std::u16string_view text, const std::string& indent) {
    if (IsWellFormedUtf16(text)) {
        AppendJsonString(out, ToUtf8(text));
        return;
    }
    out += "{\n" + indent + "  \"text\": ";
    AppendJsonString(out, ToUtf8(text));
    out += ",\n" + indent + "  \"utf16\": [";
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += i ? ",\n" : "\n";
        out += indent + "    " + std::to_string(static_cast<unsigned>(text[i]));
    }
    out += "\n" + indent + "  ]\n" + indent + "}";
}

void AppendTimes(std::string& out, const _TIMES& t) {
    const std::int32_t fields[] = {t.year, t.month, t.day, t.hour, t.minute};
    out += "{";
    for (int i = 0; i < 5; ++i) {
        out += i ? ",\n        \"" : "\n        \"";
        out += kTimeFields[i];
        out += "\": ";
        out += std::to_string(fields[i]);
    }
    out += "\n      }";
}

// ---- reading

class Reader {
public:
    Reader(const JsonSource& source, const JsonDocumentHandler& handler) : source_(source), handler_(handler) {}

    void Document() {
        const int c = Space();
        if (c != '{') Unexpected(c, "expected an object");
        Object([&](std::string_view key) {
            if (key == "items") {
                Push("items");
                Items();
                Pop();
            } else if (key == "action_kinds") {
                Push("action_kinds");
                Kinds();
                Pop();
            } else {
                UnknownKey(key);
            }
        });
        if (Space() != -1) Syntax("unexpected data after the document");
    }

private:
    // ---- the document's parts

    void Items() {
        if (Space() != '[') Unexpected(Peek(), "expected an array");
        Array([&](std::uint64_t i) {
            Index(i);
            if (Space() != '{') Unexpected(Peek(), "expected an object");
            item_ = _EDIT_ITEM{};
            Object([&](std::string_view key) {
                for (const char* k : kTextKeys) {
                    if (key != k) continue;
                    Push(k);
                    Text(TextField(key));
                    Pop();
                    return;
                }
                for (int t = 0; t < 5; ++t) {
                    if (key != kTimesKeys[t]) continue;
                    Push(kTimesKeys[t]);
                    Times(TimesField(t));
                    Pop();
                    return;
                }
                UnknownKey(key);
            });
            Index(-1);
            if (handler_.item) handler_.item(item_);
        });
    }

    void Kinds() {
        if (Space() != '[') Unexpected(Peek(), "expected an array");
        std::u16string kind;
        Array([&](std::uint64_t i) {
            Index(i);
            Text(kind);
            Index(-1);
            if (handler_.kind) handler_.kind(kind);
        });
    }

    std::u16string& TextField(std::string_view key) {
        if (key == "title") return item_.title;
        if (key == "action_kind") return item_.action_kind;
        if (key == "location") return item_.location;
        return item_.status;
    }

    _TIMES& TimesField(int t) {
        _TIMES* fields[] = {&item_.planned_start, &item_.planned_end, &item_.actual_start, &item_.actual_end,
                            &item_.alarm};
        return *fields[t];
    }

    // A string, null (empty), or {"text": ..., "utf16": [units]}.
    void Text(std::u16string& text) {
        const int c = Space();
        if (c == '"') {
            String(utf8_);
            auto converted = FromUtf8(utf8_);
            if (!converted) Syntax("a string is not valid UTF-8");
            text = *std::move(converted);
        } else if (c == 'n') {
            Literal("null");
            text.clear();
        } else if (c == '{') {
            bool units = false;
            Object([&](std::string_view key) {
                if (key == "text") {
                    Push("text");
                    if (Space() != '"') Unexpected(Peek(), "expected a string");
                    String(utf8_);
                    if (!FromUtf8(utf8_)) Syntax("a string is not valid UTF-8");
                    Pop();
                } else if (key == "utf16") {
                    Push("utf16");
                    if (Space() != '[') Unexpected(Peek(), "expected an array of code units");
                    text.clear();
                    Array([&](std::uint64_t i) {
                        Index(i);
                        const char* expected = "expected an integer from 0 to 65535";
                        const auto unit = Integer(expected);
                        if (!unit || *unit < 0 || *unit > 0xFFFF) Fail(expected);
                        text += static_cast<char16_t>(*unit);
                        Index(-1);
                    });
                    units = true;
                    Pop();
                } else {
                    UnknownKey(key);
                }
            });
            if (!units) Fail("expected \"utf16\": an array of code units");
        } else {
            Unexpected(c, "expected a string");
        }
    }

    void Times(_TIMES& t) {
        const int c = Space();
        t = _TIMES{};
        if (c == 'n') return Literal("null");
        if (c != '{') Unexpected(c, "expected an object");
        std::int32_t* fields[] = {&t.year, &t.month, &t.day, &t.hour, &t.minute};
        Object([&](std::string_view key) {
            for (int i = 0; i < 5; ++i) {
                if (key != kTimeFields[i]) continue;
                Push(kTimeFields[i]);
                // Signed as dump writes them; the unsigned reading of the
                // same 32 bits is taken too, for hand-written files.
                const char* expected = "expected an integer from -2147483648 to 4294967295";
                const auto v = Integer(expected);
                if (!v || *v < INT32_MIN || *v > static_cast<std::int64_t>(0xFFFFFFFFu)) Fail(expected);
                *fields[i] = static_cast<std::int32_t>(static_cast<std::uint32_t>(*v));
                Pop();
                return;
            }
            UnknownKey(key);
        });
    }

    // ---- JSON

    // After the opening brace (not yet taken): each member's key, the reader
    // then at its value.
    template <typename OnKey>
    void Object(const OnKey& on_key) {
        Take();  // {
        int c = Space();
        if (c == '}') return Take();
        for (;;) {
            if (c != '"') Syntax("expected a key in quotes");
            String(key_);
            if (Space() != ':') Syntax("expected ':'");
            Take();
            const std::string key = key_;  // key_ is reused by nested objects
            on_key(key);
            c = Space();
            if (c == '}') return Take();
            if (c != ',') Syntax("expected ',' or '}'");
            Take();
            c = Space();
        }
    }

    template <typename OnElement>
    void Array(const OnElement& on_element) {
        Take();  // [
        int c = Space();
        if (c == ']') return Take();
        for (std::uint64_t i = 0;; ++i) {
            on_element(i);
            c = Space();
            if (c == ']') return Take();
            if (c != ',') Syntax("expected ',' or ']'");
            Take();
        }
    }

    // A number that is an integer, or nothing for any other number (which is
    // still read through). Another value is refused at once.
    std::optional<std::int64_t> Integer(const char* expected) {
        int c = Space();
        if (c != '-' && (c < '0' || c > '9')) Unexpected(c, expected);
        const bool negative = c == '-';
        if (negative) {
            Take();
            c = Peek();
            if (c < '0' || c > '9') Syntax("expected a digit");
        }
        std::uint64_t value = 0;
        bool big = false;
        const bool leading_zero = c == '0';
        std::size_t digits = 0;
        while (c >= '0' && c <= '9') {
            if (value > (std::uint64_t{1} << 40)) big = true;  // far past any field; digits still read
            else value = value * 10 + static_cast<unsigned>(c - '0');
            ++digits;
            Take();
            c = Peek();
        }
        if (leading_zero && digits > 1) Syntax("a number has a leading zero");
        bool integer = !big;
        if (c == '.') {
            integer = false;
            Take();
            if (!Digits()) Syntax("expected a digit");
            c = Peek();
        }
        if (c == 'e' || c == 'E') {
            integer = false;
            Take();
            c = Peek();
            if (c == '+' || c == '-') Take();
            if (!Digits()) Syntax("expected a digit");
        }
        if (!integer) return std::nullopt;
        return negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    }

    bool Digits() {
        bool any = false;
        for (int c = Peek(); c >= '0' && c <= '9'; c = Peek()) {
            Take();
            any = true;
        }
        return any;
    }

    void Literal(const char* word) {
        for (const char* p = word; *p; ++p) {
            if (Peek() != *p) Syntax("unexpected character");
            Take();
        }
    }

    // The string at the reader (opening quote not yet taken), its escapes
    // resolved, as bytes; the caller checks the UTF-8.
    void String(std::string& out) {
        out.clear();
        Take();
        for (;;) {
            if (pos_ == end_ && !Fill()) Syntax("the input ends inside a string");
            const char* start = buffer_.data() + pos_;
            const char* stop = buffer_.data() + end_;
            const char* p = start;
            while (p != stop && *p != '"' && *p != '\\' && static_cast<unsigned char>(*p) >= 0x20) ++p;
            out.append(start, static_cast<std::size_t>(p - start));
            pos_ += static_cast<std::size_t>(p - start);
            if (p == stop) continue;
            const char c = *p;
            if (c == '"') return Take();
            if (c != '\\') Syntax("a control character in a string must be escaped");
            Take();
            const int e = Peek();
            if (e == -1) Syntax("the input ends inside a string");
            Take();
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case '/': out += '/'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    char32_t cp = Hex4();
                    if (cp >= 0xDC00 && cp <= 0xDFFF) Syntax("a low surrogate escape without a high one");
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        if (Peek() != '\\') Syntax("a high surrogate escape without a low one");
                        Take();
                        if (Peek() != 'u') Syntax("a high surrogate escape without a low one");
                        Take();
                        const char32_t low = Hex4();
                        if (low < 0xDC00 || low > 0xDFFF) Syntax("a high surrogate escape without a low one");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    char utf8[4];
                    out.append(utf8, PutUtf8(utf8, cp));
                    break;
                }
                default: Syntax("an unknown escape in a string");
            }
        }
    }

    char32_t Hex4() {
        char32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const int c = Peek();
            int d;
            if (c >= '0' && c <= '9') d = c - '0';
            else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
            else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
            else Syntax("expected four hexadecimal digits after \\u");
            Take();
            v = v << 4 | static_cast<char32_t>(d);
        }
        return v;
    }

    // ---- bytes

    int Peek() {
        if (pos_ == end_ && !Fill()) return -1;
        return static_cast<unsigned char>(buffer_[pos_]);
    }

    void Take() {
        if (buffer_[pos_] == '\n') {
            ++line_;
            line_start_ = consumed_ + pos_ + 1;
        }
        ++pos_;
    }

    // Skips white space; the next byte, or -1 at the end.
    int Space() {
        for (;;) {
            const int c = Peek();
            if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return c;
            Take();
        }
    }

    bool Fill() {
        if (buffer_.empty()) buffer_.resize(std::size_t{1} << 20);
        consumed_ += end_;
        pos_ = end_ = 0;
        end_ = source_(buffer_.data(), buffer_.size());
        return end_ > 0;
    }

    // ---- places

    void Push(const char* name) { path_[depth_++] = {name, -1}; }
    void Pop() { --depth_; }
    void Index(std::int64_t i) { path_[depth_ - 1].index = i; }

    std::string Where() const {
        if (depth_ == 0) return "document";
        std::string where;
        for (int i = 0; i < depth_; ++i) {
            if (i) where += '.';
            where += path_[i].name;
            if (path_[i].index >= 0) where += "[" + std::to_string(path_[i].index) + "]";
        }
        return where;
    }

    std::string Place() const {
        return "line " + std::to_string(line_) + ", column " + std::to_string(consumed_ + pos_ - line_start_ + 1) +
               ": ";
    }

    [[noreturn]] void Fail(const std::string& what) const { throw JsonFormatError(Place() + Where() + ": " + what); }
    [[noreturn]] void Syntax(const std::string& what) const { throw JsonFormatError(Place() + "not JSON: " + what); }
    [[noreturn]] void UnknownKey(std::string_view key) const {
        // A misspelt key would otherwise drop its value without a word.
        std::string shown;
        AppendJsonString(shown, key.substr(0, 100));
        Fail("unknown key " + shown);
    }
    // A value of the wrong kind is named as such; a byte that starts no JSON
    // value is a syntax error.
    [[noreturn]] void Unexpected(int c, const std::string& what) const {
        if (c == -1) Syntax("the input ends early");
        if (c == 0 || std::strchr("{[\"-0123456789tfn", c) == nullptr) Syntax("unexpected character");
        Fail(what);
    }

    const JsonSource& source_;
    const JsonDocumentHandler& handler_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0, end_ = 0;
    std::uint64_t consumed_ = 0;  // input bytes before the buffer
    std::uint64_t line_ = 1, line_start_ = 0;
    struct Level {
        const char* name;
        std::int64_t index;
    };
    Level path_[8] = {};  // the document's shape goes 5 levels deep at most
    int depth_ = 0;
    std::string key_, utf8_;
    _EDIT_ITEM item_;
};

}  // namespace

std::string JsonDocumentOpening() { return "{\n  \"items\": ["; }

void AppendJsonItem(std::string& out, const _EDIT_ITEM& item, bool first) {
    static const std::string indent = "      ";
    out += first ? "\n    {\n" : ",\n    {\n";
    auto text = [&](const char* key, std::u16string_view value, bool last = false) {
        out += indent + "\"" + key + "\": ";
        AppendText(out, value, indent);
        out += last ? "\n" : ",\n";
    };
    auto times = [&](const char* key, const _TIMES& value) {
        out += indent + "\"" + key + "\": ";
        AppendTimes(out, value);
        out += ",\n";
    };
    text("title", item.title);
    text("action_kind", item.action_kind);
    times("planned_start", item.planned_start);
    times("planned_end", item.planned_end);
    times("actual_start", item.actual_start);
    times("actual_end", item.actual_end);
    times("alarm", item.alarm);
    text("location", item.location);
    text("status", item.status, true);
    out += "    }";
}

std::string JsonDocumentMiddle(bool had_items) { return had_items ? "\n  ],\n  \"action_kinds\": [" : "],\n  \"action_kinds\": ["; }

void AppendJsonKind(std::string& out, std::u16string_view kind, bool first) {
    out += first ? "\n    " : ",\n    ";
    AppendText(out, kind, "    ");
}

std::string JsonDocumentClosing(bool had_kinds) { return had_kinds ? "\n  ]\n}\n" : "]\n}\n"; }

void ReadJsonDocument(const JsonSource& source, const JsonDocumentHandler& handler) {
    Reader(source, handler).Document();
}
