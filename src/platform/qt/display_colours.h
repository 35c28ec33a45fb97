#pragma once

#include <QByteArray>
#include <QColorSpace>

namespace plenarvo::platform {

// The ICC profile a colour-managed X11 desktop puts on the root window (the
// `_ICC_PROFILE` property of the first screen). Empty on other platforms
// (Wayland, offscreen) and when no profile is set.
QByteArray displayProfile();

// Shows pictures in the display's colours from now on: those of its profile when
// it has one Qt can use, else sRGB. Returns the colour space chosen.
QColorSpace useDisplayColours();

}  // namespace plenarvo::platform
