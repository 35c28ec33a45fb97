#include "timed_viewing/slide_order.h"

#include <algorithm>

namespace plenarvo {

namespace {

// The re-seed every random step makes before its draw. A re-seed with 0 leaves
// the generator's sequence as it was, so the draws still vary.
constexpr double kStepSeed = 0;

// The number the text starts with, if it starts with a digit; capped at 99.
int leadingNumber(const QString& text) {
    int value = -1;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            break;
        }
        value = std::min(99, std::max(value, 0) * 10 + (c.unicode() - u'0'));
    }
    return value;
}

int nextIndex(int current, int count) {
    return current > count - 2 ? 0 : current + 1;
}

int drawnIndex(float r, int count) {
    // In double precision r x count stays below count for every r below 1; the
    // clamp only guards against a draw outside its range.
    const auto index = static_cast<int>(static_cast<double>(r) * count);
    return std::clamp(index, 0, std::max(count - 1, 0));
}

}  // namespace

int stepIndex(ViewOrder order, int current, int count, platform::Random& random) {
    if (count <= 0) {
        return -1;
    }
    if (order == ViewOrder::Consecutive) {
        return nextIndex(current, count);
    }
    random.reseed(kStepSeed);
    return drawnIndex(random.draw(), count);
}

std::optional<int> predictedIndex(ViewOrder order, int current, int count,
                                  const platform::Random& random) {
    if (count <= 0) {
        return std::nullopt;
    }
    if (order == ViewOrder::Consecutive) {
        return nextIndex(current, count);
    }
    const std::optional<float> r = random.drawAfterReseed(kStepSeed);
    if (!r) {
        return std::nullopt;
    }
    return drawnIndex(*r, count);
}

int secondsFromText(const QString& text, const QString& tag) {
    int value = leadingNumber(text.isEmpty() ? tag : text);
    if (value < 0) {
        value = leadingNumber(tag);
    }
    return std::max(value, 0);
}

}  // namespace plenarvo
