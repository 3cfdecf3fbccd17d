#include <gtest/gtest.h>

#include <string>

#include "WindowPlace.h"

namespace {

std::optional<WindowPlace> Decode(const std::string& text) {
    return DecodeWindowPlace({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(WindowPlace, RoundTripsAndRefusesWhatDoesNotCheckOut) {
    const WindowPlace place{{-1200, 40, -100, 900}, true};
    const std::vector<std::uint8_t> bytes = EncodeWindowPlace(place);
    EXPECT_EQ(DecodeWindowPlace(bytes), place);

    const std::string head = "Velquorandimestra window 1\r\n";
    EXPECT_EQ(Decode(head + "10 20 810 620 0\r\n"), (WindowPlace{{10, 20, 810, 620}, false}));
    for (const std::string& bad : {std::string(), head, head + "10 20 810 620\r\n", head + "10 20 810 620 0 1\r\n",
                                  head + "10 20 810 620 2\r\n", head + "10 20 10 620 0\r\n",
                                  head + "10 620 810 20 0\r\n", head + "10 20 810 620 0", head + "a 20 810 620 0\r\n",
                                  head + "10  20 810 620 0\r\n", head + "10 20 2000000 620 0\r\n",
                                  head + "10 20 99999999999 620 0\r\n", head + "10 20 810 620 0\r\nmore",
                                  std::string("Velquorandimestra window 2\r\n10 20 810 620 0\r\n")}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(Decode(bad).has_value());
    }
}

TEST(WindowPlace, FitIntoAWorkArea) {
    const PlaceRect area{0, 0, 1920, 1040};
    struct Case {
        const char* what;
        PlaceRect rect, expected;
    };
    const Case cases[] = {
        {"inside stays", {100, 100, 900, 700}, {100, 100, 900, 700}},
        {"off to the right comes back", {1800, 100, 2600, 700}, {1120, 100, 1920, 700}},
        {"above the top comes down", {100, -500, 900, 100}, {100, 0, 900, 600}},
        {"far off on a monitor that is gone", {-3000, -2000, -2200, -1400}, {0, 0, 800, 600}},
        {"larger than the area shrinks to it", {-10, -10, 3000, 2000}, {0, 0, 1920, 1040}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(FitInto(c.rect, area, 700, 500), c.expected);
    }
    // Never below the minimum, even on a small screen: the top-left stays on it.
    EXPECT_EQ(FitInto({50, 50, 850, 650}, {0, 0, 640, 480}, 700, 500), (PlaceRect{0, 0, 700, 500}));
}

}  // namespace
