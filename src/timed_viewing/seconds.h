#pragma once

#include <QString>

namespace plenarvo {

// The slide show's interval in seconds from the text of the seconds box. An
// empty box counts as its tag. The box only lets digits be typed, but a paste
// can bring in anything: then the digits the text starts with count, and a text
// that starts with no digit counts as the tag. The result is always a whole
// number from 0 to 99.
int secondsFromText(const QString& text, const QString& tag);

}  // namespace plenarvo
