#pragma once

#include <cstdint>
#include <optional>

namespace plenarvo::platform {

// The pseudo-random numbers of the view order.
class Random {
public:
    virtual ~Random() = default;
    // Mixes a number into the generator without restarting its sequence.
    virtual void reseed(double number) = 0;
    // A number r with 0 <= r < 1.
    virtual float draw() = 0;
    // The number that reseed(number) followed by draw() would give now, worked
    // out without moving the generator; none when the generator cannot tell.
    virtual std::optional<float> drawAfterReseed(double number) const {
        (void)number;
        return std::nullopt;
    }
};

// A 64-bit SplitMix generator, seeded from the system's entropy unless a seed is
// given. Every one of the 2^24 single-precision draws is equally likely, and the
// view order re-seeds with 0 before each draw: a re-seed mixes the number's bits
// into the state, and 0 has none, so it leaves the sequence exactly as it was.
class StandardRandom final : public Random {
public:
    StandardRandom();
    explicit StandardRandom(std::uint64_t seed) : state_(seed) {}
    void reseed(double number) override;
    float draw() override;
    std::optional<float> drawAfterReseed(double number) const override;

private:
    std::uint64_t state_;
};

}  // namespace plenarvo::platform
