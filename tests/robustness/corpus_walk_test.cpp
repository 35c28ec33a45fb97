// Every file of the real-picture corpus through each road that shows a picture:
// the preview, the full view, the thumbnail sheet and the slide show.
#include "robustness/robustness.h"
#include "support/corpus.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::Robustness;

namespace {

class CorpusWalk : public Robustness {
protected:
    void SetUp() override {
        const auto rows = plenarvo::testing::readCorpusManifest();
        if (rows.empty()) {
            GTEST_SKIP() << "no picture corpus";
        }
        pics = folder(QStringLiteral("corpus"));
        for (const auto& row : rows) {
            // One folder for all: the path's folders become part of the name.
            QString name = row.path;
            name.replace(u'/', u'_');
            if (row.path.endsWith(u'/')) {
                // A folder named like a picture: it must never be listed.
                name.chop(1);
                ASSERT_TRUE(QDir(pics).mkdir(name));
                continue;
            }
            const QString target = QDir(pics).filePath(name);
            ASSERT_TRUE(QFile::copy(plenarvo::testing::corpusDir() + u'/' + row.path, target));
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
            // Files of other kinds are copied too; the list must leave them out.
            if (controls::FileList::pictureExtensions().contains(QFileInfo(name).suffix(),
                                                                 Qt::CaseInsensitive)) {
                expected.insert(name, row.expected);
            }
        }
        startPastSplash();
        openFolder(pics);
        ASSERT_EQ(main().filPic->listCount(), expected.size());
        for (int i = 0; i < main().filPic->listCount(); ++i) {
            ASSERT_TRUE(expected.contains(main().filPic->list(i)));
        }
    }

    // Whether the corpus allows a file to be shown, or refused.
    bool mayShow(const QString& name) const { return expected.value(name) != "fails"; }
    bool mayRefuse(const QString& name) const { return expected.value(name) != "decodes"; }

    QString pics;
    QHash<QString, QString> expected;  // "decodes", "fails" or "either" by name
};

TEST_F(CorpusWalk, ThePreviewShowsOrRefusesEveryFileCleanly) {
    FrmImage& w = main();
    for (int i = 0; i < w.filPic->listCount(); ++i) {
        const QString name = w.filPic->list(i);
        SCOPED_TRACE(name.toStdString());
        const QString labelBefore = w.lblImage->text();
        messages.shown.clear();
        w.filPic->setListIndex(i);
        w.cmdShow_Click();
        if (w.lblImage->text() == name) {
            EXPECT_TRUE(messages.shown.isEmpty());
            EXPECT_FALSE(w.imgImage->shownImage().isNull());
            EXPECT_TRUE(mayShow(name));
        } else {
            // One clear message that names the file; the preview keeps its picture
            // and the label the name that goes with it.
            ASSERT_EQ(messages.shown.size(), 1);
            EXPECT_TRUE(messages.shown[0].text.contains(name));
            EXPECT_EQ(messages.shown[0].title, QStringLiteral("Picture Not Loaded"));
            EXPECT_EQ(w.lblImage->text(), labelBefore);
            EXPECT_TRUE(mayRefuse(name));
        }
    }
}

TEST_F(CorpusWalk, TheThumbnailSheetGivesEveryFileItsCell) {
    FrmThumb& s = openSheet();
    ASSERT_EQ(s.ThumbCount, expected.size());
    buildWholeSheet();
    ASSERT_EQ(static_cast<int>(s.cells().size()), s.ThumbCount + 1);
    for (int k = 1; k <= s.ThumbCount; ++k) {
        const QString name = main().filPic->list(k - 1);
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(s.lblThumb(k)->text(), name);
        EXPECT_TRUE(arrived.contains(k));  // decoded or failed, never left waiting
        const controls::Image* img = s.imgThumb(k);
        if (img != nullptr) {  // else a picture the sheet discards while it grows
            EXPECT_TRUE(img->shownImage().isNull() ? mayRefuse(name) : mayShow(name));
        }
    }
}

// Every file once in the full view, and the first again after the wrap; the show
// goes on whatever the picture was, and a click ends it.
TEST_F(CorpusWalk, TheSlideShowPassesOverWhatItCannotShowAndGoesOn) {
    FrmImage& w = main();
    const int n = w.filPic->listCount();
    w.txtSeconds->setText(QStringLiteral("1"));
    QTest::mouseClick(w.chkTimed, Qt::LeftButton);
    ASSERT_TRUE(viewDecoded());
    ASSERT_EQ(w.chkTimed->value(), 1);
    QString firstRefused;
    for (int step = 0; step <= n; ++step) {
        const QString name = w.filPic->list(step % n);
        SCOPED_TRACE(name.toStdString());
        ASSERT_EQ(w.filPic->listIndex(), step % n);
        if (w.lblImage->text() == name) {
            EXPECT_TRUE(mayShow(name));
            EXPECT_EQ(forms->fullView().picFullScr->picture().size(), w.imgImage->picture().size());
        } else {
            EXPECT_TRUE(mayRefuse(name));
            firstRefused = firstRefused.isEmpty() ? name : firstRefused;
        }
        ASSERT_EQ(w.chkTimed->value(), 1);
        ASSERT_TRUE(w.Timer1->enabled());
        ASSERT_TRUE(forms->fullView().isVisible());
        if (step < n) {
            advance(1000);
            ASSERT_TRUE(viewDecoded());
        }
    }
    // The first picture that could not be shown is told, once, by name; later
    // ones are passed over without stacking up boxes behind the show.
    ASSERT_EQ(messages.shown.size(), firstRefused.isEmpty() ? 0 : 1);
    if (!firstRefused.isEmpty()) {
        EXPECT_TRUE(messages.shown[0].text.contains(firstRefused));
        EXPECT_EQ(messages.shown[0].title, QStringLiteral("Picture Not Loaded"));
    }
    QTest::mouseClick(fullViewTarget(), Qt::LeftButton);
    settle();
    EXPECT_EQ(w.chkTimed->value(), 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(forms->isLoaded(Window::FullView));
}

}  // namespace
