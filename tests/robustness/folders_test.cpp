// Folders that vanish while open, or change under the thumbnail sheet.
#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/picture_opener.h"
#include "thumbnails/thumbnail_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTest>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::writeBytes;

namespace {

// The program on fakes, with helpers that drive the thumbnail sheet to its last cell.
class Folders : public AppFixture {
protected:
    void startPastSplash() {
        start();
        advance(3000);
        settle();
    }
    FrmThumb& sheet() { return forms->thumb(); }

    // Opens the sheet; every cell whose picture arrives (or fails) goes into `arrived`.
    FrmThumb& openSheet() {
        main().cmdThumb_Click();
        sheet().afterThumbnail = [this](int cell) { arrived.insert(cell); };
        return sheet();
    }

    // Lets the workers finish and hands their results to the cells.
    void deliverThumbnails() {
        sheet().thumbnails().waitForDone();
        QCoreApplication::sendPostedEvents();
    }

    // Scrolls until every picture has its cell, running `betweenBatches` after
    // each delivered batch; fails past 200 batches.
    void buildWholeSheet(const std::function<void()>& betweenBatches = {}) {
        FrmThumb& s = sheet();
        deliverThumbnails();
        if (s.ThumbCount < 5) {
            return;  // no batch runs for such a sheet
        }
        for (int batches = 0; batches == 0 || s.RowEnd < s.ThumbCount; ++batches) {
            ASSERT_LT(batches, 200) << "the sheet stopped growing at cell " << s.RowEnd;
            if (batches > 0) {  // the first batch is armed by loading
                QScrollBar* bar = s.vsrPallet;
                ASSERT_LT(bar->minimum(), bar->maximum());
                bar->setValue(bar->value() == bar->maximum() ? bar->minimum() : bar->maximum());
                ASSERT_TRUE(s.Timer1->enabled());
            }
            advance(100);
            deliverThumbnails();
            if (betweenBatches) {
                betweenBatches();
            }
        }
    }

    // Whether a cell shows a picture mostly of this colour (JPEG shifts colours a little).
    bool shows(int cell, QColor colour) {
        const QImage image = sheet().imgThumb(cell)->shownImage();
        const QColor middle = image.isNull()
                                  ? QColor(Qt::transparent)
                                  : image.pixelColor(image.width() / 2, image.height() / 2);
        return std::abs(middle.red() - colour.red()) < 40 &&
               std::abs(middle.green() - colour.green()) < 40 &&
               std::abs(middle.blue() - colour.blue()) < 40 && middle.alpha() == 255;
    }

    QSet<int> arrived;
};

// The sheet opens on a folder deleted since it was listed: the emblem alone, and a
// key returns. (A picture gone from the preview is the preview's own test.)
TEST_F(Folders, TheSheetOnAFolderDeletedWhileOpenHoldsTheEmblemAlone) {
    const QString gone = folder(QStringLiteral("gone"));
    for (int i = 0; i < 8; ++i) {
        writePicture(gone, QStringLiteral("p%1.bmp").arg(i), {20 + i, 10});
    }
    startPastSplash();
    openFolder(gone);
    ASSERT_EQ(main().filPic->listCount(), 8);
    ASSERT_TRUE(QDir(gone).removeRecursively());
    FrmThumb& s = openSheet();
    buildWholeSheet();
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(s.cells().size(), 1u);
    QTest::keyClick(&s, Qt::Key_Space);
    settle();
    EXPECT_TRUE(main().isVisible());
}

TEST_F(Folders, FilesReplacedWhileTheSheetBuildsShowTheirNewContentOrNothing) {
    const QString pics = folder(QStringLiteral("pics"));
    QStringList paths;
    for (int i = 0; i < 120; ++i) {
        paths << writePicture(pics, QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0')),
                              {40, 30}, Qt::red);
    }
    startPastSplash();
    openFolder(pics);
    FrmThumb& s = openSheet();
    const QByteArray garbage(3000, '\x5a');
    // Right after a batch has asked the workers for more pictures: the last one
    // asked for may be under decoding while it is replaced.
    int racing = 0;
    s.afterBatch = [&] {
        if (racing == 0) {
            racing = s.thumbnails().requestedUpTo();
            EXPECT_TRUE(writeBytes(paths[racing - 1], garbage));
        }
    };
    // After the first batch: a file whose cell shows already, and two not asked for yet.
    bool replaced = false;
    buildWholeSheet([&] {
        if (!replaced) {
            replaced = true;
            ASSERT_LT(s.thumbnails().requestedUpTo(), 99);
            ASSERT_TRUE(writeBytes(paths[2], garbage) && writeBytes(paths[98], garbage));
            writePicture(pics, QFileInfo(paths[99]).fileName(), {64, 48}, Qt::blue);
        }
    });
    ASSERT_TRUE(replaced);
    ASSERT_GT(racing, 0);
    ASSERT_EQ(static_cast<int>(s.cells().size()), 121);
    EXPECT_EQ(arrived.size(), 120);  // the racing cell too, whatever it read
    EXPECT_TRUE(shows(3, Qt::red));  // shown before it changed
    EXPECT_TRUE(s.imgThumb(99)->shownImage().isNull());
    EXPECT_TRUE(shows(100, Qt::blue));
    EXPECT_TRUE(shows(101, Qt::red));
    // The full view reads the file as it is now.
    QTest::mouseClick(s.imgThumb(100), Qt::LeftButton);
    s.opener().waitForDone();
    settle();
    EXPECT_EQ(forms->fullView().picFullScr->picture().size(), QSize(64, 48));
    EXPECT_TRUE(messages.shown.isEmpty());
}

}  // namespace
