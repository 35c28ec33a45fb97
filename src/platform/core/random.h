#pragma once

#include <cstdint>

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
};

// A 24-bit linear congruential generator whose re-seed mixes the number's bits
// into the middle of the state and keeps its low byte.
class StandardRandom final : public Random {
public:
    explicit StandardRandom(std::uint32_t state = 0x50000) : state_(state & 0xFFFFFF) {}
    void reseed(double number) override;
    float draw() override;

private:
    std::uint32_t state_;
};

}  // namespace plenarvo::platform
