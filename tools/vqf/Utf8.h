// Conversions between the core's UTF-16 texts and UTF-8 for the outside world
// (terminals, JSON, iCalendar). Texts read from a file may hold any code
// units, unpaired surrogates included, so every conversion says what it does
// with them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// True when every surrogate in `text` is part of a high/low pair.
bool IsWellFormedUtf16(std::u16string_view text);

// UTF-8 for `text`; each unpaired surrogate becomes U+FFFD. Never fails.
std::string ToUtf8(std::u16string_view text);

// UTF-16 for well-formed UTF-8 (no overlong forms, no encoded surrogates, no
// code point past U+10FFFF), or nothing.
std::optional<std::u16string> FromUtf8(std::string_view text);
