// Realistic sample documents: Japanese titles, kinds, locations and
// multi-line statuses, dates spread over several years, some alarms. The
// same (items, seed) gives the same document on every platform and compiler,
// so samples can serve as benchmark inputs and fuzz seeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "VqfCodec.h"

// A small, fast, portable pseudo-random generator (xoshiro256**, seeded
// through splitmix64). The standard distributions differ between library
// builds, so the ranges are drawn here too.
class SampleRandom {
public:
    explicit SampleRandom(std::uint64_t seed);
    std::uint64_t Next();
    // Uniform in [0, n); n must be above 0.
    std::uint64_t Below(std::uint64_t n);
    // Uniform in [lo, hi].
    std::int64_t Between(std::int64_t lo, std::int64_t hi);
    // True with probability percent / 100.
    bool Percent(unsigned percent);

private:
    std::uint64_t s_[4];
};

// The items of a sample one at a time (the item is reused), in document
// order; returns the sample's list of kinds.
using SampleItemSink = std::function<void(const _EDIT_ITEM& item)>;
std::vector<std::u16string> MakeSample(std::size_t items, std::uint64_t seed, const SampleItemSink& item);

// A document of `items` items with unique titles (in document order) and
// the sample's list of kinds.
VqfDocument MakeSampleDocument(std::size_t items, std::uint64_t seed);
