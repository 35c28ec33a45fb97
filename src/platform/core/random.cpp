#include "platform/core/random.h"

#include <cstring>
#include <random>

namespace plenarvo::platform {

namespace {

std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t systemSeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

}  // namespace

StandardRandom::StandardRandom() : state_(systemSeed()) {}

void StandardRandom::reseed(double number) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    // +0.0 has no bits set: the sequence goes on untouched.
    state_ ^= bits == 0 ? 0 : mix(bits);
}

float StandardRandom::draw() {
    state_ += 0x9E3779B97F4A7C15ULL;
    // The top 24 bits: exactly representable, so the result stays below 1.
    return static_cast<float>(mix(state_) >> 40) * 0x1p-24F;
}

std::optional<float> StandardRandom::drawAfterReseed(double number) const {
    StandardRandom copy(*this);
    copy.reseed(number);
    return copy.draw();
}

}  // namespace plenarvo::platform
