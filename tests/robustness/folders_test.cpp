// Folders that are large, vanish while open, or change under the thumbnail sheet.
#include "robustness/robustness.h"
#include "thumbnails/picture_opener.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <random>

using namespace plenarvo;
using plenarvo::testing::Robustness;
using plenarvo::testing::writeBytes;

namespace {

class Folders : public Robustness {
protected:
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
};

// Which names the list takes and how it sorts them is the file list's own test;
// here the window counts and lists a folder of five thousand, written in a
// shuffled order in three letter cases.
TEST_F(Folders, FiveThousandFilesAreCountedAndSortedWithoutRegardToCase) {
    const QString pics = folder(QStringLiteral("many"));
    const QStringList prefixes{QStringLiteral("img"), QStringLiteral("IMG"), QStringLiteral("Img")};
    QStringList names;
    for (int i = 0; i < 5000; ++i) {
        names << QStringLiteral("%1%2.bmp").arg(prefixes[i % 3]).arg(i, 5, 10, QLatin1Char('0'));
    }
    QStringList order = names;
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    for (const QString& name : order) {
        writePicture(pics, name, {1, 1});
    }
    startPastSplash();
    openFolder(pics);
    EXPECT_EQ(main().txtFileCount->text(), QStringLiteral("5000"));
    QStringList listed;
    for (int i = 0; i < main().filPic->listCount(); ++i) {
        listed << main().filPic->list(i);
    }
    EXPECT_EQ(listed, names);
    EXPECT_TRUE(messages.shown.isEmpty());
}

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

TEST_F(Folders, AFolderDeletedUnderTheGrowingSheetLeavesEmptyCells) {
    const QString pics = folder(QStringLiteral("pics"));
    const auto name = [](int i) {
        return QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
    };
    for (int i = 0; i < 90; ++i) {
        writePicture(pics, name(i), {40, 30});
    }
    startPastSplash();
    openFolder(pics);
    FrmThumb& s = openSheet();
    deliverThumbnails();
    ASSERT_TRUE(QDir(pics).removeRecursively());
    // Cells past the ones asked for ahead are decoded only after the folder went.
    const int askedBefore = s.thumbnails().requestedUpTo();
    ASSERT_LT(askedBefore, 90);
    buildWholeSheet();
    ASSERT_EQ(static_cast<int>(s.cells().size()), 91);
    EXPECT_EQ(arrived.size(), 90);
    EXPECT_TRUE(shows(1, Qt::red));
    for (int k = askedBefore + 1; k <= 90; ++k) {
        EXPECT_TRUE(s.imgThumb(k)->shownImage().isNull()) << "cell " << k;
        EXPECT_EQ(s.lblThumb(k)->text(), name(k - 1));
    }
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
