#include <gtest/gtest.h>

#include <string>

#include "MbStrLen.h"

namespace {

struct MbCase {
    std::string bytes;  // may hold zeros; MbStrLen sees exactly these bytes
    int limit;
    int expected;
};

TEST(MbStrLen, CountsSingleAndDoubleByteCharacters) {
    const MbCase cases[] = {
        {std::string("ab\0", 3), 5, 2},            // the zero ends the walk before the limit
        {"\x82\xA0\x78", 3, 2},                    // one two-byte character, then 'x'
        {"\x82", 1, -1},                           // lead byte cut off by the limit
        {"abc", 0, 0},
        {"", 0, 0},
        {"abc", 2, 2},                             // the limit stops the walk
        {"a\x82\xA0", 2, -1},                      // lead byte is the last in reach
        {"a\x82\xA0", 3, 2},
        {std::string("\x82\0z", 3), 3, 2},         // a zero second byte belongs to the character
        {std::string("\0abc", 4), 4, 0},
        {"\xFF\xFF\xFF\xFF", 4, 2},
        {"\x7F\x80\x01", 3, 2},
    };
    for (const MbCase& c : cases) {
        EXPECT_EQ(MbStrLen(c.bytes.data(), c.limit), c.expected) << "limit " << c.limit << " bytes " << c.bytes;
    }
}

TEST(MbStrLen, RefusesNullAndNegativeLimit) {
    EXPECT_EQ(MbStrLen(nullptr, 5), -1);
    EXPECT_EQ(MbStrLen(nullptr, 0), -1);
    EXPECT_EQ(MbStrLen("abc", -1), -1);
}

}  // namespace
