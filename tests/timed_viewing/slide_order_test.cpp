#include "timed_viewing/slide_order.h"

#include "platform/core/random.h"
#include "support/fakes/fakes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace plenarvo {
namespace {

using testing::FakeRandom;

// One tick of the show from `current`, the generator's next draw being `draw`:
// the file shown. The look-ahead's prediction, made before the tick, must name
// that same file and leave the generator where it was, and a random step
// re-seeds with 0 once and draws once.
int tick(ViewOrder order, int current, int count, float draw = 0) {
    FakeRandom random;
    random.script = {draw};
    const int predicted = predictedIndex(order, current, count, random).value_or(-1);
    EXPECT_EQ(random.draws, 0) << "the prediction moved the generator";
    const int shown = stepIndex(order, current, count, random);
    EXPECT_EQ(predicted, shown) << "the look-ahead read another file than the tick shows";
    const bool drawn = order == ViewOrder::Random && count > 0;
    EXPECT_EQ(random.draws, drawn ? 1 : 0);
    EXPECT_EQ(random.reseeds, drawn ? QList<double>{0.0} : QList<double>{});
    return shown;
}

// A generator that cannot tell its next draw ahead.
class Unforeseeable final : public platform::Random {
public:
    void reseed(double) override {}
    float draw() override { return 0.5F; }
};

TEST(SlideOrder, StepsPredictionsAndSeconds) {
    constexpr auto kCon = ViewOrder::Consecutive;
    constexpr auto kRnd = ViewOrder::Random;
    const float below1 = std::nextafter(1.0F, 0.0F);
    struct Case {
        const char* behaviour;
        std::function<int()> actual;
        int expected;
    };
    const Case cases[] = {
        {"consecutive order starts at the first file when none is selected",
         [] { return tick(kCon, -1, 3); }, 0},
        {"consecutive order steps to the next file", [] { return tick(kCon, 0, 3); }, 1},
        {"after the last file the show wraps to the first", [] { return tick(kCon, 2, 3); }, 0},
        {"a list of one file keeps showing it", [] { return tick(kCon, 0, 1); }, 0},
        {"an empty list has no file to step to", [] { return tick(kCon, -1, 0); }, -1},
        {"a draw picks the whole-number part of draw x count",
         [] { return tick(kRnd, 0, 4, 0.5F); }, 2},
        {"a draw of 0 picks the first file", [] { return tick(kRnd, 5, 755, 0.0F); }, 0},
        {"a draw just below 1 picks the last file, also of a long list",
         [=] { return tick(kRnd, 0, 100000, below1); }, 99999},
        {"a draw may pick the file on show again", [] { return tick(kRnd, 1, 3, 0.4F); }, 1},
        {"random order draws nothing from an empty list", [] { return tick(kRnd, -1, 0, 0.5F); },
         -1},
        {"a generator that cannot tell ahead leaves nothing to read ahead",
         [] { return predictedIndex(kRnd, 0, 3, Unforeseeable()).value_or(-1); }, -1},
        {"with the program's generator every prediction names the file the tick shows",
         [] {
             platform::StandardRandom random(42);
             int misses = 0;
             for (int i = 0; i < 50; ++i) {
                 const std::optional<int> ahead = predictedIndex(kRnd, 0, 755, random);
                 misses += ahead == stepIndex(kRnd, 0, 755, random) ? 0 : 1;
             }
             return misses;
         },
         0},
        {"the seconds box: a number typed", [] { return secondsFromText("12", "10"); }, 12},
        {"the seconds box: 0 is kept (such a show never ticks)",
         [] { return secondsFromText("0", "10"); }, 0},
        {"the seconds box: empty counts as the tag", [] { return secondsFromText("", "10"); }, 10},
        {"the seconds box: a paste counts its leading digits",
         [] { return secondsFromText("7 s", "10"); }, 7},
        {"the seconds box: a paste without leading digits counts as the tag",
         [] { return secondsFromText("-5", "10"); }, 10},
        {"the seconds box: no digits and no tag is 0", [] { return secondsFromText("x", ""); }, 0},
        {"the seconds box: long numbers stop at 99",
         [] { return secondsFromText("123456789012", "10"); }, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.behaviour);
        EXPECT_EQ(c.actual(), c.expected);
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
        ++counts[static_cast<std::size_t>(stepIndex(ViewOrder::Random, 0, files, random))];
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

}  // namespace
}  // namespace plenarvo
