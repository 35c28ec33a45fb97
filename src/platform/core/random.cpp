#include "platform/core/random.h"

#include <cstring>

namespace plenarvo::platform {

void StandardRandom::reseed(double number) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    const auto high = static_cast<std::uint32_t>(bits >> 32);
    const std::uint32_t mixed = (high ^ (high >> 16)) & 0xFFFF;
    state_ = (state_ & 0xFF) | (mixed << 8);
}

float StandardRandom::draw() {
    state_ = (state_ * 1140671485U + 12820163U) & 0xFFFFFFU;
    return static_cast<float>(state_) / 16777216.0F;
}

std::optional<float> StandardRandom::drawAfterReseed(double number) const {
    StandardRandom copy(*this);
    copy.reseed(number);
    return copy.draw();
}

}  // namespace plenarvo::platform
