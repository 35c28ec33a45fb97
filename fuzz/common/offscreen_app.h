#pragma once

// The application object a fuzz target's code needs (fonts, image plugins),
// made once on the offscreen platform, with Qt's own logging silenced.
#include <QGuiApplication>

namespace plenarvo::fuzz {

inline void startOffscreenApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*=false");
    static QGuiApplication app(*argc, *argv);
}

}  // namespace plenarvo::fuzz
