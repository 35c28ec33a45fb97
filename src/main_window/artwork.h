#pragma once

#include <QImage>

namespace plenarvo {

// The program's emblem, shown by every window: the logo and the window icon.
// Made at their own size, or drawn to fill `size` (device pixels on a
// high-density screen).
QImage logoPicture(QSize size = {});
QImage iconPicture(QSize size = {});

}  // namespace plenarvo
