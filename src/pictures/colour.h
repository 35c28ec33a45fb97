#pragma once

// Colour profiles: the profile a picture file carries, and the colour space the
// program shows pictures in. A picture without a profile, or with one that cannot
// be used (damaged, built from lookup tables, CMYK), counts as sRGB, and its
// numbers are shown as they are stored.

#include "pictures/picture.h"

#include <QByteArray>
#include <QColorSpace>
#include <QImage>

namespace plenarvo::pictures {

// The colour space pictures are shown in: sRGB, unless the program has set the
// display's own. Safe to call from any thread.
QColorSpace shownColourSpace();
// An invalid colour space stands for sRGB.
void setShownColourSpace(const QColorSpace& space);

// An image in its own colour space (sRGB when it has none) in the shown one.
QImage inShownColours(const QImage& image);

namespace detail {

// The colour space a file's own profile describes; invalid when it has none or
// one that cannot be used. JPEG: the ICC profile of its APP2 segments, put
// together in their numbered order. BMP: the profile embedded after a version 5
// header, or the primaries and gamma of a calibrated one; the other kinds of
// header colour space count as sRGB.
QColorSpace fileColourSpace(const QByteArray& bytes, Format format);

// `image`, whose numbers are in `source` (sRGB when invalid), in `target`. The
// image itself when nothing changes, or when its pixel format has no colours to
// convert (greys).
QImage convertColours(const QImage& image, const QColorSpace& source, const QColorSpace& target);

}  // namespace detail

}  // namespace plenarvo::pictures
