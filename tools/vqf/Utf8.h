// Conversions between the core's UTF-16 texts and UTF-8 for the outside world
// (terminals, JSON, iCalendar). Texts read from a file may hold any code
// units, unpaired surrogates included, so every conversion says what it does
// with them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The UTF-8 of code point `cp` (at most U+10FFFF) written at `at`, 1 to 4
// bytes; gives the end. Inline: the export writes every unit through here.
inline char* PutUtf8(char* at, char32_t cp) {
    if (cp < 0x80) {
        *at++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *at++ = static_cast<char>(0xC0 | (cp >> 6));
        *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *at++ = static_cast<char>(0xE0 | (cp >> 12));
        *at++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *at++ = static_cast<char>(0xF0 | (cp >> 18));
        *at++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *at++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return at;
}

// True when every surrogate in `text` is part of a high/low pair.
bool IsWellFormedUtf16(std::u16string_view text);

// UTF-8 for `text`; each unpaired surrogate becomes U+FFFD. Never fails.
std::string ToUtf8(std::u16string_view text);

// UTF-16 for well-formed UTF-8 (no overlong forms, no encoded surrogates, no
// code point past U+10FFFF), or nothing.
std::optional<std::u16string> FromUtf8(std::string_view text);

// Every line break (CR LF, a lone CR or a lone LF) as CR LF, as the
// program's multi-line edit control has them; a text that has them already
// is left as it is.
void WithCrLf(std::u16string& text);
