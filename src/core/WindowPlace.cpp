#include "WindowPlace.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kHeader = "Velquorandimestra window 1\r\n";
constexpr std::int64_t kFar = 1000000;

// Reads an optionally signed decimal number at `at`, then one space or the
// line's end; false for anything else.
bool ReadNumber(std::string_view text, std::size_t& at, std::int64_t& value) {
    const bool negative = at < text.size() && text[at] == '-';
    if (negative) ++at;
    const std::size_t first = at;
    value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - first < 8)
        value = value * 10 + (text[at++] - '0');
    if (at == first || (at < text.size() && text[at] >= '0' && text[at] <= '9')) return false;
    if (negative) value = -value;
    return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeWindowPlace(const WindowPlace& place) {
    std::string text(kHeader);
    text += std::to_string(place.normal.left) + ' ' + std::to_string(place.normal.top) + ' ' +
            std::to_string(place.normal.right) + ' ' + std::to_string(place.normal.bottom) + ' ' +
            (place.maximized ? "1" : "0") + "\r\n";
    return {text.begin(), text.end()};
}

std::optional<WindowPlace> DecodeWindowPlace(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > 256) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, kHeader.size()) != kHeader) return std::nullopt;
    std::size_t at = kHeader.size();
    std::int64_t n[5] = {};
    for (int i = 0; i < 5; ++i) {
        if (!ReadNumber(text, at, n[i])) return std::nullopt;
        const std::string_view after = i < 4 ? " " : "\r\n";
        if (text.substr(at, after.size()) != after) return std::nullopt;
        at += after.size();
    }
    if (at != text.size()) return std::nullopt;
    for (int i = 0; i < 4; ++i)
        if (n[i] < -kFar || n[i] > kFar) return std::nullopt;
    if (n[2] <= n[0] || n[3] <= n[1] || (n[4] != 0 && n[4] != 1)) return std::nullopt;
    WindowPlace place;
    place.normal = {static_cast<std::int32_t>(n[0]), static_cast<std::int32_t>(n[1]), static_cast<std::int32_t>(n[2]),
                    static_cast<std::int32_t>(n[3])};
    place.maximized = n[4] == 1;
    return place;
}

PlaceRect FitInto(PlaceRect rect, const PlaceRect& area, std::int32_t min_width, std::int32_t min_height) {
    const std::int32_t width = std::max(std::min(rect.Width(), area.Width()), min_width);
    const std::int32_t height = std::max(std::min(rect.Height(), area.Height()), min_height);
    // Right and bottom edges first, so that a window larger than the area
    // keeps its top-left corner (and title bar) on it.
    std::int32_t left = std::min(rect.left, area.right - width);
    std::int32_t top = std::min(rect.top, area.bottom - height);
    left = std::max(left, area.left);
    top = std::max(top, area.top);
    return {left, top, left + width, top + height};
}
