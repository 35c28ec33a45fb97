#include "timed_viewing/slide_order.h"

#include <algorithm>

namespace plenarvo {

int nextIndex(int current, int count) {
    return current > count - 2 ? 0 : current + 1;
}

int drawnIndex(float r, int count) {
    // In double precision r x count stays below count for every r below 1; the
    // clamp only guards against a draw outside its range.
    const auto index = static_cast<int>(static_cast<double>(r) * count);
    return std::clamp(index, 0, std::max(count - 1, 0));
}

}  // namespace plenarvo
