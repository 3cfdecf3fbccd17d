// The main window's remembered place: its normal (not maximized) rectangle,
// in the coordinates GetWindowPlacement gives, and whether it was maximized.
// Kept in a small text file of the user's; read back, it is trusted only as
// far as it checks out.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct PlaceRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    friend bool operator==(const PlaceRect&, const PlaceRect&) = default;
};

struct WindowPlace {
    PlaceRect normal;
    bool maximized = false;
    friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

// "Velquorandimestra window 1\r\n" then "left top right bottom maximized\r\n".
std::vector<std::uint8_t> EncodeWindowPlace(const WindowPlace& place);
// Nothing for anything else: another first line, a missing or extra number,
// an empty or inverted rectangle, a side beyond ±1,000,000 pixels.
std::optional<WindowPlace> DecodeWindowPlace(std::span<const std::uint8_t> bytes);

// `rect` moved (and shrunk, not below `min_width` x `min_height`) to lie
// inside `area`, a monitor's work area: a window put back on a screen keeps
// its size where it fits and is moved no further than it must.
PlaceRect FitInto(PlaceRect rect, const PlaceRect& area, std::int32_t min_width, std::int32_t min_height);
