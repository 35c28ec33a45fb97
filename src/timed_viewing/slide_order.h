#pragma once

#include "platform/core/random.h"

#include <QString>

#include <optional>

namespace plenarvo {

// The slide show's order, without windows: which file the next step shows, which
// one the next tick will show (so that it can be read ahead), and the interval
// the seconds box asks for.

// The two orders the View Order menu offers.
enum class ViewOrder { Consecutive, Random };

// The file one step of the show moves to from `current`: the next file in
// consecutive order (the first after the last one, or when nothing (-1) is
// selected); in random order a fresh draw r (0 <= r < 1) picking the
// whole-number part of r x count, each file equally likely, the generator
// re-seeded with 0 first, so that its sequence goes on. -1 when the list is empty (and then
// nothing is drawn).
int stepIndex(ViewOrder order, int current, int count, platform::Random& random);

// The file stepIndex would move to now, worked out without moving the generator:
// what the next tick shows. None when the list is empty or the generator cannot
// tell its next draw.
std::optional<int> predictedIndex(ViewOrder order, int current, int count,
                                  const platform::Random& random);

// The slide show's interval in seconds from the text of the seconds box. An
// empty box counts as its tag. The box only lets digits be typed, but a paste
// can bring in anything: then the digits the text starts with count, and a text
// that starts with no digit counts as the tag. The result is always a whole
// number from 0 to 99.
int secondsFromText(const QString& text, const QString& tag);

}  // namespace plenarvo
