#pragma once

// The program's platform for a benchmark: the real Qt clock, drives and random
// numbers, a settings file in a folder of its own, and message boxes that the
// benchmark may replace (one that would wait for a click cannot be timed).

#include "platform/core/platform.h"
#include "platform/core/random.h"
#include "platform/qt/qt_platform.h"

#include <QTemporaryDir>

#include <cstdio>

namespace plenarvo::bench {

// Reports messages instead of blocking on them.
class PrintedMessages final : public platform::MessageBoxes {
public:
    void show(const QString& text, const QString& title, platform::MessageIcon) override {
        std::fprintf(stderr, "message: %s: %s\n", qPrintable(title), qPrintable(text));
    }
};

struct BenchPlatform {
    explicit BenchPlatform(const QString& fallbackFolder,
                           platform::MessageBoxes* shownMessages = nullptr) {
        platform.clock = &clock;
        platform.messages = shownMessages ? shownMessages : &messages;
        platform.drives = &drives;
        platform.random = &random;
        platform.settingsPath = config.filePath(QStringLiteral("default.dat"));
        platform.fallbackFolder = fallbackFolder;
    }
    QTemporaryDir config;
    platform::QtClock clock;
    platform::QtMessageBoxes messages;
    platform::QtDrives drives;
    platform::StandardRandom random;
    platform::Platform platform;
};

}  // namespace plenarvo::bench
