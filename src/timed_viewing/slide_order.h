#pragma once

namespace plenarvo {

// The file after `current` in a list of `count` files: the next one, or the
// first after the last one or when nothing (-1) is selected.
int nextIndex(int current, int count);

// The file a random draw r (0 <= r < 1) picks from `count` files: the
// whole-number part of r x count, each file equally likely.
int drawnIndex(float r, int count);

}  // namespace plenarvo
