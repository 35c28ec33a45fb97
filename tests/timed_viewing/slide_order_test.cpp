#include "timed_viewing/slide_order.h"

#include "platform/core/random.h"
#include "support/fakes/fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace plenarvo {
namespace {

// A generator that cannot tell its next draw ahead.
class Unforeseeable final : public platform::Random {
public:
    void reseed(double) override {}
    float draw() override { return 0.5F; }
};

// One tick of the show from `current`, the generator's next draw being `draw`.
// The look-ahead's prediction, made before the tick, must name the file the tick
// shows and leave the generator alone; a random step re-seeds with 0 and draws once.
TEST(SlideOrder, EachTickShowsTheFileTheLookAheadPredicted) {
    constexpr auto kCon = ViewOrder::Consecutive;
    constexpr auto kRnd = ViewOrder::Random;
    const struct {
        const char* behaviour;
        ViewOrder order;
        int current;
        int count;
        float draw;
        int shown;
    } cases[] = {
        {"consecutive order starts at the first file when none is selected", kCon, -1, 3, 0, 0},
        {"consecutive order steps to the next file", kCon, 0, 3, 0, 1},
        {"after the last file the show wraps to the first", kCon, 2, 3, 0, 0},
        {"a list of one file keeps showing it", kCon, 0, 1, 0, 0},
        {"an empty list has no file to step to", kCon, -1, 0, 0, -1},
        {"a draw picks the whole-number part of draw x count", kRnd, 0, 4, 0.7F, 2},
        {"a draw of 0 picks the first file", kRnd, 5, 755, 0.0F, 0},
        {"a draw just below 1 picks the last file of a long list", kRnd, 0, 100000,
         std::nextafter(1.0F, 0.0F), 99999},
        {"a draw may pick the file on show again", kRnd, 1, 3, 0.4F, 1},
        {"random order draws nothing from an empty list", kRnd, -1, 0, 0.5F, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.behaviour);
        testing::FakeRandom random;
        random.script = {c.draw};
        const std::optional<int> predicted = predictedIndex(c.order, c.current, c.count, random);
        EXPECT_EQ(random.draws, 0) << "the prediction moved the generator";
        EXPECT_EQ(stepIndex(c.order, c.current, c.count, random), c.shown);
        EXPECT_EQ(predicted.value_or(-1), c.shown);
        const bool drawn = c.order == kRnd && c.count > 0;
        EXPECT_EQ(random.draws, drawn ? 1 : 0);
        EXPECT_EQ(random.reseeds, drawn ? QList<double>{0.0} : QList<double>{});
    }
    EXPECT_FALSE(predictedIndex(kRnd, 0, 3, Unforeseeable()));
    // With the program's own generator every prediction names the file the tick shows.
    platform::StandardRandom random(42);
    for (int i = 0; i < 50; ++i) {
        const std::optional<int> ahead = predictedIndex(kRnd, 0, 755, random);
        ASSERT_EQ(ahead, stepIndex(kRnd, 0, 755, random)) << i;
    }
}

TEST(SlideOrder, TheSecondsBoxTextGivesWholeSecondsFrom0To99) {
    const struct {
        const char* text;
        const char* tag;
        int seconds;
    } cases[] = {
        {"12", "10", 12},           // typed
        {"0", "10", 0},             // kept: such a show never ticks
        {"", "10", 10},             // empty counts as the tag
        {"7 s", "10", 7},           // a paste counts its leading digits
        {"-5", "10", 10},           // a paste without leading digits counts as the tag
        {"x", "", 0},               // no digits and no tag
        {"123456789012", "10", 99}  // long numbers stop at 99
    };
    for (const auto& c : cases) {
        EXPECT_EQ(secondsFromText(c.text, c.tag), c.seconds) << '"' << c.text << '"';
    }
}

// Two hundred thousand draws over 755 files, re-seeded with 0 before each as the
// random order makes them: every file comes up.
TEST(SlideOrder, RandomOrderReachesEveryFile) {
    constexpr int files = 755;
    platform::StandardRandom random(0x5EED);
    std::vector<bool> reached(files, false);
    for (int i = 0; i < 200000; ++i) {
        reached[static_cast<std::size_t>(stepIndex(ViewOrder::Random, 0, files, random))] = true;
    }
    EXPECT_EQ(std::count(reached.begin(), reached.end(), false), 0);
}

}  // namespace
}  // namespace plenarvo
