#pragma once

#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "timed_viewing/slide_ahead.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace plenarvo::testing {

// The flags of a settings file that records one scheme and one view order.
inline QStringList flagsFor(const QString& scheme, bool random) {
    QStringList out;
    for (const char* s : {"DarkBlue", "Putty", "Teal", "HotMaroon", "Neon"}) {
        out << (scheme == QLatin1String(s) ? "True" : "False");
    }
    return out << (random ? "True" : "False") << (random ? "False" : "True");
}

// The program past its splash phase on a folder of pictures, each of its own
// width (10 + 10 * i pixels), so that the picture on show tells its file; names
// with "junk" are written as junk.
class Slideshow : public AppFixture {
protected:
    void startIn(const QStringList& files) {
        names = files;
        pics = folder(QStringLiteral("pics"));
        for (int i = 0; i < files.size(); ++i) {
            if (files[i].contains(QLatin1String("junk"))) {
                ASSERT_TRUE(writeBytes(QDir(pics).filePath(files[i]), "BM this is no picture"));
            } else {
                writePicture(pics, files[i], {10 + 10 * i, 12}, QColor::fromHsv(i * 40, 200, 200));
            }
        }
        startAndOpen(pics);
    }
    FrmFullView& view() { return forms->fullView(); }
    bool viewLoaded() const { return forms->isLoaded(Window::FullView); }
    // The file whose picture the full view's picture box (or the preview) holds.
    QString onView() {
        return viewLoaded() ? byWidth(view().picFullScr->picture().size().width()) : QString();
    }
    QString inPreview() { return byWidth(main().imgImage->picture().size().width()); }
    QString byWidth(int width) const { return width >= 10 ? names.value((width - 10) / 10) : ""; }
    // The seven flag lines of the settings file as read back from disk.
    QStringList flags() const {
        return QString::fromLatin1(settingsBytes()).split(QStringLiteral("\r\n")).mid(1, 7);
    }
    // A picture not read ahead comes from the worker: each step lets it arrive.
    // A tick never waits for the picture read ahead: the steps let it finish.
    void check() {
        QTest::mouseClick(main().chkTimed, Qt::LeftButton);
        EXPECT_TRUE(viewDecoded());
    }
    void advance(int ms) {
        if (auto* reader = main().findChild<SlideAhead*>()) {
            reader->finishDecoding();
        }
        AppFixture::advance(ms);
        EXPECT_TRUE(viewDecoded());
    }

    QString pics;
    QStringList names;
};

}  // namespace plenarvo::testing
