#include "timed_viewing/slideshow_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/inotify.h>
#include <unistd.h>

namespace plenarvo::testing {

FileReplacements::FileReplacements(const QString& file) {
    const QFileInfo info(file);
    QDir().mkpath(info.absolutePath());
    name_ = QFile::encodeName(info.fileName());
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd_, 0);
    EXPECT_GE(inotify_add_watch(fd_, QFile::encodeName(info.absolutePath()).constData(),
                                IN_MOVED_TO | IN_CREATE | IN_CLOSE_WRITE),
              0);
}

FileReplacements::~FileReplacements() {
    ::close(fd_);
}

int FileReplacements::count() {
    // A write either renames a finished temporary file onto the name, or links
    // it there, or (no temporary files) writes the file in place and closes it.
    int replaced = 0;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
            return replaced;
        }
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0 && name_ == event->name) {
                ++replaced;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void Slideshow::startIn(const QStringList& files) {
    names = files;
    pics = folder(QStringLiteral("pics"));
    for (int i = 0; i < files.size(); ++i) {
        if (files[i].contains(QLatin1String("junk"))) {
            ASSERT_TRUE(writeBytes(QDir(pics).filePath(files[i]), "BM this is no picture"));
        } else {
            writePicture(pics, files[i], QSize(10 + 10 * i, 12), QColor::fromHsv(i * 40, 200, 200));
        }
    }
    startAndOpen(pics);
}

QString Slideshow::onView() {
    if (!viewLoaded() || view().picFullScr->picture().isNull()) {
        return {};
    }
    return names.value((view().picFullScr->picture().size().width() - 10) / 10);
}

QString Slideshow::inPreview() {
    const int width = main().imgImage->picture().size().width();
    return width >= 10 ? names.value((width - 10) / 10) : QString();
}

QStringList Slideshow::flags() const {
    QStringList lines = QString::fromLatin1(settingsBytes()).split(QStringLiteral("\r\n"));
    return lines.mid(1, 7);
}

void Slideshow::check() {
    QTest::mouseClick(main().chkTimed, Qt::LeftButton);
}

void Slideshow::typeSeconds(const QString& keys) {
    main().txtSeconds->selectAll();
    QTest::keyClick(main().txtSeconds, Qt::Key_Backspace);
    QTest::keyClicks(main().txtSeconds, keys);
}

QStringList flagsFor(const QString& scheme, bool random) {
    QStringList out;
    for (const char* s : {"DarkBlue", "Putty", "Teal", "HotMaroon", "Neon"}) {
        out << (scheme == QLatin1String(s) ? QStringLiteral("True") : QStringLiteral("False"));
    }
    out << (random ? QStringLiteral("True") : QStringLiteral("False"))
        << (random ? QStringLiteral("False") : QStringLiteral("True"));
    return out;
}

}  // namespace plenarvo::testing
