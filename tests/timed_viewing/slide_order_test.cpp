#include "timed_viewing/slide_order.h"
#include "platform/core/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace plenarvo {
namespace {

TEST(SlideOrder, NextIndexWrapsAndStartsAtTheFirstFile) {
    struct Case {
        int current, count, next;
    };
    const Case cases[] = {
        {-1, 3, 0}, {0, 3, 1},  {1, 3, 2}, {2, 3, 0},  // on and round
        {0, 1, 0},  {-1, 1, 0},                        // a list of one keeps that file
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nextIndex(c.current, c.count), c.next) << c.current << " of " << c.count;
    }
}

TEST(SlideOrder, EveryDrawStaysInsideTheList) {
    const float below1 = std::nextafter(1.0F, 0.0F);
    const int counts[] = {1, 2, 3, 755, 100000};
    for (const int n : counts) {
        EXPECT_EQ(drawnIndex(0.0F, n), 0);
        EXPECT_EQ(drawnIndex(below1, n), n - 1) << n;
    }
}

// Two hundred thousand draws over 755 files, as the random order makes them:
// re-seeded with 0 before each draw. Every file comes up, and the counts pass a
// chi-square test of equal likelihood at the 1 % level.
TEST(SlideOrder, RandomOrderReachesEveryFileEquallyOften) {
    constexpr int files = 755;
    constexpr int draws = 200000;
    platform::StandardRandom random(0x5EED);
    std::vector<int> counts(files, 0);
    for (int i = 0; i < draws; ++i) {
        random.reseed(0);
        ++counts[static_cast<std::size_t>(drawnIndex(random.draw(), files))];
    }
    const double expected = static_cast<double>(draws) / files;
    double chiSquare = 0;
    int unseen = 0;
    for (const int c : counts) {
        unseen += c == 0 ? 1 : 0;
        chiSquare += (c - expected) * (c - expected) / expected;
    }
    EXPECT_EQ(unseen, 0);
    // The 99th percentile of chi-square with k degrees of freedom (Wilson and Hilferty).
    const double k = files - 1;
    const double z99 = 2.3263;
    const double limit = k * std::pow(1 - 2 / (9 * k) + z99 * std::sqrt(2 / (9 * k)), 3);
    EXPECT_LT(chiSquare, limit);
}

TEST(SlideOrder, ReseedingWithZeroKeepsTheSequenceAndLooksAheadExactly) {
    platform::StandardRandom plain(42);
    platform::StandardRandom reseeded(42);
    for (int i = 0; i < 50; ++i) {
        const std::optional<float> ahead = reseeded.drawAfterReseed(0);
        reseeded.reseed(0);
        const float r = reseeded.draw();
        ASSERT_TRUE(ahead.has_value());
        EXPECT_EQ(*ahead, r);
        EXPECT_EQ(plain.draw(), r);
    }
}

TEST(SlideOrder, EachStartOfTheProgramDrawsAnotherSequence) {
    platform::StandardRandom first;
    platform::StandardRandom second;
    int same = 0;
    for (int i = 0; i < 8; ++i) {
        same += drawnIndex(first.draw(), 755) == drawnIndex(second.draw(), 755) ? 1 : 0;
    }
    EXPECT_LT(same, 8);
}

}  // namespace
}  // namespace plenarvo
