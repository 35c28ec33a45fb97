#include "timed_viewing/slide_order.h"  // IWYU pragma: export
