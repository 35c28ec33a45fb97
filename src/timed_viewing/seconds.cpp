#include "timed_viewing/seconds.h"

#include <algorithm>

namespace plenarvo {

namespace {

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

}  // namespace

int secondsFromText(const QString& text, const QString& tag) {
    int value = leadingNumber(text.isEmpty() ? tag : text);
    if (value < 0) {
        value = leadingNumber(tag);
    }
    return std::max(value, 0);
}

}  // namespace plenarvo
