#include "Utf8.h"

namespace {

bool IsHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

bool IsWellFormedUtf16(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
            ++i;
        } else if (IsHigh(text[i]) || IsLow(text[i])) {
            return false;
        }
    }
    return true;
}

std::string ToUtf8(std::u16string_view text) {
    // Written through a pointer into room for the longest result (3 bytes a
    // unit; a pair takes 4 for 2): exports pass every text through here.
    std::string out(text.size() * 3, '\0');
    char* p = out.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (IsHigh(u) && i + 1 < text.size() && IsLow(text[i + 1])) {
            p = PutUtf8(p, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (IsHigh(u) || IsLow(u)) {
            p = PutUtf8(p, 0xFFFD);
        } else {
            p = PutUtf8(p, u);
        }
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
    return out;
}

std::optional<std::u16string> FromUtf8(std::string_view text) {
    // Written through a pointer into room for the longest result (a unit a
    // byte): imports pass every text through here.
    std::u16string out(text.size(), u'\0');
    char16_t* p = out.data();
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (b0 < 0x80) {
            *p++ = b0;
            ++i;
            continue;
        }
        char32_t cp;
        std::size_t len;
        char32_t min;
        if ((b0 & 0xE0) == 0xC0) {
            cp = b0 & 0x1F, len = 2, min = 0x80;
        } else if ((b0 & 0xF0) == 0xE0) {
            cp = b0 & 0x0F, len = 3, min = 0x800;
        } else if ((b0 & 0xF8) == 0xF0) {
            cp = b0 & 0x07, len = 4, min = 0x10000;
        } else {
            return std::nullopt;
        }
        if (text.size() - i < len) return std::nullopt;
        for (std::size_t k = 1; k < len; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            if ((b & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
        if (cp >= 0x10000) {
            *p++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *p++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            *p++ = static_cast<char16_t>(cp);
        }
        i += len;
    }
    out.resize(static_cast<std::size_t>(p - out.data()));
    return out;
}

void WithCrLf(std::u16string& text) {
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        else if (text[i] == u'\r' || text[i] == u'\n') break;
    }
    if (i == text.size()) return;
    std::u16string out(text, 0, i);
    for (; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            out += u"\r\n";
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        } else {
            out += text[i];
        }
    }
    text = std::move(out);
}
