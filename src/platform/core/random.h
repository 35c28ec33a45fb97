#pragma once

#include <cstdint>
#include <optional>

namespace plenarvo::platform {

// The pseudo-random numbers of the view order: re-seeding with a number changes
// the sequence without restarting it, so that re-seeding with the same number
// before every draw still gives draws that vary.
class Random {
public:
    virtual ~Random() = default;
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

// A 24-bit linear congruential generator whose re-seed mixes the number's bits
// into the middle of the state and keeps its low byte.
class StandardRandom final : public Random {
public:
    explicit StandardRandom(std::uint32_t state = 0x50000) : state_(state & 0xFFFFFF) {}
    void reseed(double number) override;
    float draw() override;
    std::optional<float> drawAfterReseed(double number) const override;

private:
    std::uint32_t state_;
};

}  // namespace plenarvo::platform
