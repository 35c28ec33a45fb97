// Folders that are large, vanish while open, or change under the thumbnail sheet.
#include "full_view/frm_full_view.h"
#include "robustness/robustness.h"
#include "thumbnails/picture_opener.h"
#include "thumbnails/thumbnail_loader.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <algorithm>
#include <random>

using namespace plenarvo;
using plenarvo::testing::Robustness;
using plenarvo::testing::writeBytes;

namespace {

// Whether a decoded picture is mostly this colour (JPEG shifts colours a little).
bool near(const QImage& image, QColor colour) {
    if (image.isNull()) {
        return false;
    }
    const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
    return std::abs(middle.red() - colour.red()) < 40 &&
           std::abs(middle.green() - colour.green()) < 40 &&
           std::abs(middle.blue() - colour.blue()) < 40;
}

class Folders : public Robustness {};

// Which names the list takes and how it sorts them is the file list's own test;
// here the window counts and lists a folder of five thousand.
TEST_F(Folders, FiveThousandFilesAreCountedAndSortedWithoutRegardToCase) {
    constexpr int kPictures = 5000;
    const QString pics = folder(QStringLiteral("many"));
    // Names in three letter cases, written in a shuffled order: sorted without
    // regard to case, they come in the order of their numbers.
    const QStringList prefixes{QStringLiteral("img"), QStringLiteral("IMG"), QStringLiteral("Img")};
    QStringList names;
    for (int i = 0; i < kPictures; ++i) {
        names << QStringLiteral("%1%2.bmp").arg(prefixes[i % 3]).arg(i, 5, 10, QLatin1Char('0'));
    }
    QStringList order = names;
    std::shuffle(order.begin(), order.end(), std::mt19937(5));
    for (const QString& name : order) {
        writePicture(pics, name, {1, 1});
    }
    startPastSplash();
    openFolder(pics);
    FrmImage& w = main();
    ASSERT_EQ(w.txtFileCount->text(), QStringLiteral("5000"));
    ASSERT_EQ(w.filPic->listCount(), kPictures);
    for (int i = 0; i < kPictures; ++i) {
        ASSERT_EQ(w.filPic->list(i), names[i]) << "at " << i;
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Folders, AFolderDeletedWhileOpenFailsCleanlyInThePreviewAndTheSheet) {
    const QString gone = folder(QStringLiteral("gone"));
    for (int i = 0; i < 8; ++i) {
        writePicture(gone, QStringLiteral("p%1.bmp").arg(i), {20 + i, 10});
    }
    const QString keep = folder(QStringLiteral("keep"));
    writePicture(keep, QStringLiteral("first.bmp"), {33, 22}, Qt::green);
    startPastSplash();
    FrmImage& w = main();
    openFolder(keep);
    w.filPic->setListIndex(0);
    w.cmdShow_Click();
    ASSERT_EQ(w.lblImage->text(), QStringLiteral("first.bmp"));

    openFolder(gone);
    ASSERT_EQ(w.filPic->listCount(), 8);
    ASSERT_TRUE(QDir(gone).removeRecursively());

    // The preview: one message naming the file; picture and name stay as they were.
    w.filPic->setListIndex(3);
    w.cmdShow_Click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("p3.bmp")));
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("first.bmp"));
    EXPECT_EQ(w.imgImage->picture().size(), QSize(33, 22));
    messages.shown.clear();

    // The sheet opens on a folder it cannot list: the emblem alone.
    FrmThumb& s = openSheet();
    buildWholeSheet();
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(s.cells().size(), 1u);
    QTest::keyClick(&s, Qt::Key_Space);
    settle();
    ASSERT_TRUE(w.isVisible());
}

TEST_F(Folders, AFolderDeletedUnderTheGrowingSheetLeavesEmptyCells) {
    const QString pics = folder(QStringLiteral("pics"));
    for (int i = 0; i < 90; ++i) {
        writePicture(pics, QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), {40, 30});
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
    EXPECT_FALSE(s.imgThumb(1)->shownImage().isNull());
    for (int k = askedBefore + 1; k <= 90; ++k) {
        EXPECT_TRUE(s.imgThumb(k)->shownImage().isNull()) << "cell " << k;
        EXPECT_EQ(s.lblThumb(k)->text(),
                  QStringLiteral("p%1.jpg").arg(k - 1, 2, 10, QLatin1Char('0')));
    }
}

TEST_F(Folders, FilesReplacedWhileTheSheetBuildsShowTheirNewContentOrNothing) {
    const QString pics = folder(QStringLiteral("pics"));
    QStringList names;
    for (int i = 0; i < 120; ++i) {
        names << QStringLiteral("p%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        writePicture(pics, names.last(), {40, 30}, Qt::red);
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
            EXPECT_TRUE(writeBytes(QDir(pics).filePath(names[racing - 1]), garbage));
        }
    };
    // Between batches: a file whose cell shows already, and two not asked for yet.
    bool replaced = false;
    buildWholeSheet([&] {
        if (replaced) {
            return;
        }
        replaced = true;
        ASSERT_LT(s.thumbnails().requestedUpTo(), 99);
        ASSERT_TRUE(writeBytes(QDir(pics).filePath(names[2]), garbage));
        ASSERT_TRUE(writeBytes(QDir(pics).filePath(names[98]), garbage));
        writePicture(pics, names[99], {64, 48}, Qt::blue);
    });
    ASSERT_TRUE(replaced);
    ASSERT_GT(racing, 0);
    ASSERT_EQ(static_cast<int>(s.cells().size()), 121);
    EXPECT_EQ(arrived.size(), 120);  // the racing cell too, whatever it read
    EXPECT_TRUE(near(s.imgThumb(3)->shownImage(), Qt::red));  // shown before it changed
    EXPECT_TRUE(s.imgThumb(99)->shownImage().isNull());
    EXPECT_TRUE(near(s.imgThumb(100)->shownImage(), Qt::blue));
    EXPECT_TRUE(near(s.imgThumb(101)->shownImage(), Qt::red));

    // The full view reads the file as it is now.
    QTest::mouseClick(s.imgThumb(100), Qt::LeftButton);
    s.opener().waitForDone();
    settle();
    EXPECT_EQ(forms->fullView().picFullScr->picture().size(), QSize(64, 48));
    QTest::mouseClick(&forms->fullView(), Qt::LeftButton);
    settle();
    EXPECT_TRUE(messages.shown.isEmpty());
}

}  // namespace
