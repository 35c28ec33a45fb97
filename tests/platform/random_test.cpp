#include "platform/core/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace plenarvo::platform {
namespace {

// The first eight draws of a generator seeded with 42, after `prepare` ran on it.
std::vector<float> draws(const std::function<void(StandardRandom&)>& prepare) {
    StandardRandom random(42);
    prepare(random);
    std::vector<float> out(8);
    std::generate(out.begin(), out.end(), [&random] { return random.draw(); });
    return out;
}

TEST(StandardRandom, ReseedsAndLookingAhead) {
    const auto untouched = draws([](StandardRandom&) {});
    struct Case {
        const char* behaviour;
        std::function<void(StandardRandom&)> prepare;
        bool sameAsUntouched;
    };
    const Case cases[] = {
        {"a re-seed with 0 leaves the sequence as it was", [](StandardRandom& r) { r.reseed(0); },
         true},
        {"looking ahead does not move the generator",
         [](StandardRandom& r) { (void)r.drawAfterReseed(0); }, true},
        {"a re-seed with another number changes what follows",
         [](StandardRandom& r) { r.reseed(7); }, false},
        {"a generator seeded from the system draws another sequence at each start",
         [](StandardRandom& r) { r = StandardRandom(); }, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(draws(c.prepare) == untouched, c.sameAsUntouched) << c.behaviour;
    }
    // Looking ahead tells exactly the draw a re-seed and a draw give; every draw
    // stays within [0, 1).
    StandardRandom random(9);
    for (int i = 0; i < 1000; ++i) {
        const double seed = i % 3 == 0 ? 0.0 : i * 0.25;
        const std::optional<float> ahead = random.drawAfterReseed(seed);
        random.reseed(seed);
        const float r = random.draw();
        ASSERT_EQ(ahead, r) << i;
        ASSERT_GE(r, 0.0F);
        ASSERT_LT(r, 1.0F);
    }
}

}  // namespace
}  // namespace plenarvo::platform
