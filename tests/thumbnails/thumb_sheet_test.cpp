#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/picture_opener.h"
#include "thumbnails/thumbnail_loader.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::writeBytes;

class ThumbSheet : public AppFixture {
protected:
    // Starts the program on a folder of `count` small pictures and opens the sheet.
    FrmThumb& open(int count, QSize size = {40, 30}) {
        pics = folder(QStringLiteral("pics"));
        for (int i = 0; i < count; ++i) {
            writePicture(pics, QStringLiteral("p%1.bmp").arg(i, 3, 10, QLatin1Char('0')), size,
                         QColor::fromHsv(i % 360, 200, 200));
        }
        startAndOpen(pics);
        main().cmdThumb_Click();
        return sheet();
    }
    FrmThumb& sheet() { return forms->thumb(); }
    // A completed scroll, then the batch it arms.
    void scrollAndBuild(int value) {
        sheet().vsrPallet->setValue(value);
        advance(100);
    }
    // Lets the clicked picture's reading finish and hands it over.
    void pictureRead() {
        sheet().opener().waitForDone();
        settle();
    }
    bool fullViewShown() {
        return forms->isLoaded(Window::FullView) && forms->fullView().isVisible();
    }
    // Shows the sheet at the width whose laid-out pallet is `pallet` wide.
    void showAt(int pallet) {
        sheet().setWindowState(Qt::WindowNoState);
        sheet().resize(pallet + sheet().vsrPallet->width(), 700);
    }
    // Every built cell in its row (rows 130 apart) and column, named after its
    // file; on the widgets, each picture and name inside its own frame, no two
    // frames meeting, every frame inside the pallet, one picture and one frame
    // size for the whole sheet, and the six columns reaching across the pallet.
    void expectSoundSheet() {
        const FrmThumb& s = sheet();
        const auto& cells = s.cells();
        ASSERT_EQ(static_cast<int>(cells.size()), s.RowEnd + 1);
        const QRect pallet = s.picHold->rect();
        EXPECT_LT(s.picHold->geometry().right(), s.vsrPallet->geometry().left());
        for (int k = 0; k < static_cast<int>(cells.size()); ++k) {
            SCOPED_TRACE(k);
            const FrmThumb::Cell& cell = cells[k];
            EXPECT_FLOAT_EQ(cell.imgBox.top, 32.0f + 130 * (k / 6));
            EXPECT_FLOAT_EQ(cell.shpBox.top, 24.0f + 130 * (k / 6));
            if (k % 6 == 0) {
                EXPECT_FLOAT_EQ(cell.imgBox.left, 72.0f);
                EXPECT_FLOAT_EQ(cell.shpBox.left, 56.0f);
            }
            EXPECT_EQ(cell.lbl->text(), k == 0 ? "Plenarvo Viewer" : s.filPic->list(k - 1));
            EXPECT_TRUE(cell.lbl->isVisible());
            const QRect frame = cell.shp->geometry();
            EXPECT_TRUE(cell.img == nullptr || frame.contains(cell.img->geometry()));
            EXPECT_TRUE(frame.contains(cell.lbl->geometry()));
            EXPECT_TRUE(pallet.contains(frame));
            EXPECT_EQ(frame.size(), cells[0].shp->size());
            EXPECT_EQ(cell.lbl->size(), cells[0].lbl->size());
            for (int j = std::max(0, k - 7); j < k; ++j) {
                EXPECT_FALSE(frame.intersects(cells[j].shp->geometry())) << j;
            }
        }
        if (cells.size() > 5) {
            EXPECT_GT(cells[5].shp->geometry().right(), pallet.width() * 3 / 4);
        }
    }
    QString pics;
};

// Below five pictures the sheet is the first row alone; five and more arm a
// first batch, which lays the bar out along the sheet's edge.
TEST_F(ThumbSheet, SmallFoldersBuildTheFirstRowAndArmABatchFromFivePictures) {
    const struct {
        int pictures;
        int pallet;        // the pallet's height
        bool batch;        // a batch is armed
        int rowsPerBatch;  // rows each batch adds
    } cases[] = {{0, 200, false, 0}, {4, 333, false, 0}, {5, 367, true, 0}, {12, 600, true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pictures);
        FrmThumb& s = open(c.pictures);
        EXPECT_TRUE(s.isMaximized());
        EXPECT_FALSE(main().isVisible());
        EXPECT_EQ(s.RowEnd, std::min(c.pictures, 5));
        EXPECT_EQ(s.picHold->height(), c.pallet);
        EXPECT_EQ(s.outerHeight(), c.pallet + 200);
        EXPECT_EQ(s.Timer1->enabled(), c.batch);
        EXPECT_EQ(s.RowsPerPass, c.rowsPerBatch);
        // The emblem takes clicks once there are pictures.
        EXPECT_EQ(s.imgThumb(0)->isEnabled(), c.pictures > 0);
        const QRect bar = s.vsrPallet->geometry();
        advance(1000);
        EXPECT_EQ(s.vsrPallet->geometry() != bar, c.batch);
        if (c.batch) {
            EXPECT_LT(s.vsrPallet->x(), s.width());
            EXPECT_EQ(s.vsrPallet->maximum(), c.pallet - s.height() + 400);
        }
        // The title: 12 pixels down, centred across the sheet.
        EXPECT_EQ(s.titlePosition().y(), 12);
        const qreal textWidth = QFontMetricsF(s.font()).horizontalAdvance(FrmThumb::titleText());
        EXPECT_NEAR(s.titlePosition().x() * 2 + textWidth, s.width(), 1.0);
        expectSoundSheet();
        QTest::mouseClick(s.imgThumb(0), Qt::LeftButton);  // the disabled emblem does nothing
        EXPECT_EQ(fullViewShown(), c.pictures > 0);
        forms.reset();
    }
}

// The pallet widths of screens from 800 to 3840 pixels wide, the designed 984
// among them, and a sheet resized between two batches. Each opening discards the
// sheet before, and the old sheet's decodes with it.
TEST_F(ThumbSheet, EveryScreenWidthKeepsEachCellInsideItsFrameAndThePallet) {
    open(60);
    for (int pallet : {765, 984, 1885, 3805}) {
        SCOPED_TRACE(pallet);
        const FrmThumb* before = &sheet();
        main().cmdThumb_Click();  // a new sheet, built as designed
        EXPECT_NE(&sheet(), before);
        EXPECT_EQ(sheet().RowEnd, 5);
        settle();
        sheet().thumbnails().waitForDone();
        settle();
        EXPECT_FALSE(sheet().imgThumb(5)->picture().isNull());
        showAt(pallet);
        advance(100);  // the first batch lays the pallet out on the sheet's width
        ASSERT_EQ(sheet().RowEnd, 29);
        ASSERT_EQ(sheet().picHold->width(), pallet);
        expectSoundSheet();
    }
    showAt(1237);
    scrollAndBuild(260);
    ASSERT_EQ(sheet().RowEnd, 53);
    ASSERT_EQ(sheet().picHold->width(), 1237);
    expectSoundSheet();
}

TEST_F(ThumbSheet, ScrollsArmOneBatchEachAndRowOnePicturesGoOnce) {
    FrmThumb& s = open(78);
    EXPECT_EQ(s.RowsPerPass, 4);
    advance(100);
    EXPECT_EQ(s.RowEnd, 29);
    // A drag moves the pallet alone; its release completes the scroll.
    s.vsrPallet->setSliderDown(true);
    s.vsrPallet->setSliderPosition(200);
    EXPECT_EQ(s.picHold->y(), -200);
    EXPECT_FALSE(s.Timer1->enabled());
    s.vsrPallet->setSliderDown(false);
    EXPECT_EQ(s.picHold->y(), 60 - 200);
    // Two completed scrolls within 100 ms lead to one batch.
    advance(50);
    s.vsrPallet->setValue(520);
    advance(100);
    EXPECT_EQ(s.RowEnd, 53);
    EXPECT_EQ(s.picHold->y(), 60 - 520);
    advance(1000);
    EXPECT_EQ(s.RowEnd, 53);  // no scroll, no batch
    scrollAndBuild(780);
    ASSERT_EQ(s.RowStart, 72);
    ASSERT_EQ(s.RowEnd, 77);

    s.vsrPallet->setValue(1040);
    for (int k = 6; k <= 11; ++k) {
        EXPECT_EQ(s.imgThumb(k), nullptr);
        EXPECT_TRUE(s.shpThumb(k)->isVisible());
    }
    EXPECT_NE(s.imgThumb(12), nullptr);
    s.vsrPallet->setValue(1300);  // again before the batch: nothing more goes
    EXPECT_NE(s.imgThumb(5), nullptr);
    EXPECT_NE(s.imgThumb(12), nullptr);
    advance(100);
    EXPECT_EQ(s.RowEnd, 78);
    expectSoundSheet();

    // A click on a discarded picture's name does nothing.
    QTest::mouseClick(s.lblThumb(8), Qt::LeftButton);
    EXPECT_TRUE(s.isVisible());
    EXPECT_FALSE(fullViewShown());

    // Complete: a scroll only moves the pallet.
    const int prints = s.titlePrints();
    s.vsrPallet->setValue(0);
    EXPECT_EQ(s.picHold->y(), 60);
    EXPECT_FALSE(s.Timer1->enabled());
    EXPECT_EQ(s.titlePrints(), prints);
}

TEST_F(ThumbSheet, MoreThan755PicturesStopAtTheCap) {
    FrmThumb& s = open(800, {8, 6});
    EXPECT_EQ(main().txtFileCount->text(), QStringLiteral("800"));
    EXPECT_EQ(s.ThumbCount, 755);
    EXPECT_EQ(s.picHold->height(), 25367);
    advance(100);
    int batches = 1;
    while (s.RowEnd < s.ThumbCount && batches < 100) {
        scrollAndBuild(s.vsrPallet->value() == 0 ? 260 : 0);
        ++batches;
    }
    EXPECT_EQ(batches, 32);  // (755 - 5) / 24 cells, rounded up
    EXPECT_EQ(s.vsrPallet->maximum(), 25367 - s.height() + 400);
    expectSoundSheet();
}

TEST_F(ThumbSheet, CellsHoldReducedCopiesAndAClickOpensThePictureFromItsFile) {
    pics = folder(QStringLiteral("pics"));
    writePicture(pics, QStringLiteral("a.jpg"), {400, 300});
    ASSERT_TRUE(writeBytes(QDir(pics).filePath(QStringLiteral("b.jpg")), "not a picture"));
    writePicture(pics, QStringLiteral("c.bmp"), {400, 300});
    startAndOpen(pics);
    main().cmdThumb_Click();
    FrmThumb& s = sheet();
    s.thumbnails().waitForDone();
    settle();
    for (int k : {1, 3}) {
        const controls::Image* img = s.imgThumb(k);
        ASSERT_FALSE(img->picture().isNull());
        EXPECT_EQ(img->picture().size(), img->pixelSize());  // not the 400x300 original
    }
    EXPECT_TRUE(s.imgThumb(2)->picture().isNull());  // unreadable, its name kept
    EXPECT_EQ(s.lblThumb(2)->text(), QStringLiteral("b.jpg"));

    // The picture is read on a worker while the sheet answers; until it is there,
    // the other cells and the emblem do nothing.
    QTest::mouseClick(s.lblThumb(3), Qt::LeftButton);
    EXPECT_TRUE(s.opener().busy());
    QTest::mouseClick(s.lblThumb(1), Qt::LeftButton);
    QTest::mouseClick(s.imgThumb(0), Qt::LeftButton);
    EXPECT_FALSE(fullViewShown());
    pictureRead();
    FrmFullView& view = forms->fullView();
    EXPECT_EQ(view.picFullScr->picture().size(), QSize(400, 300));
    EXPECT_EQ(view.imgFullScr->picture(), view.picFullScr->picture());
    EXPECT_EQ(view.returnTo(), FrmFullView::ReturnTo::Sheet);
    EXPECT_FALSE(s.isVisible());
    EXPECT_FALSE(main().isVisible());
    EXPECT_TRUE(view.isVisible());
    EXPECT_TRUE(messages.shown.isEmpty());

    // Back from the full view: the sheet again, intact, its title reprinted.
    const int prints = s.titlePrints();
    QTest::mouseClick(view.picFullScr, Qt::LeftButton);
    settle();
    EXPECT_TRUE(s.isVisible());
    EXPECT_GT(s.titlePrints(), prints);
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(s.RowEnd, 3);
    EXPECT_FALSE(forms->isLoaded(Window::FullView));

    // The emblem opens the program's icon.
    QTest::mouseClick(s.imgThumb(0), Qt::LeftButton);
    EXPECT_EQ(forms->fullView().picFullScr->picture().size(), QSize(32, 32));
}

// Each way back drops a clicked picture that is read and waiting to be shown.
TEST_F(ThumbSheet, BackgroundClickKeyAndCloseReturnToTheMainWindow) {
    open(3);
    const std::function<void()> ways[] = {
        [this] { QTest::mouseClick(sheet().picHold, Qt::LeftButton, {}, QPoint(900, 250)); },
        [this] { QTest::keyClick(sheet().vsrPallet, Qt::Key_Q); },  // the bar has no use for it
        [this] { sheet().close(); },
    };
    for (const auto& leave : ways) {
        QTest::mouseClick(sheet().imgThumb(2), Qt::LeftButton);
        sheet().opener().waitForDone();  // read, and waiting in the event queue
        leave();
        settle();
        EXPECT_TRUE(main().isVisible());
        EXPECT_FALSE(forms->isLoaded(Window::Thumb));
        EXPECT_FALSE(fullViewShown());
        main().cmdThumb_Click();
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(ThumbSheet, APictureGoneOrSpoiledSinceTheSheetWasBuiltIsToldByName) {
    pics = folder(QStringLiteral("pics"));
    const QString gone = writePicture(pics, QStringLiteral("gone.bmp"), {40, 30});
    const QString spoiled = writePicture(pics, QStringLiteral("spoiled.jpg"), {40, 30});
    writePicture(pics, QStringLiteral("whole.jpg"), {40, 30});
    startAndOpen(pics);
    main().cmdThumb_Click();
    FrmThumb& s = sheet();
    ASSERT_TRUE(QFile::remove(gone));
    ASSERT_TRUE(writeBytes(spoiled, "not a picture"));
    for (const auto& [cell, name] : {std::pair{1, "gone.bmp"}, std::pair{2, "spoiled.jpg"}}) {
        SCOPED_TRACE(name);
        messages.shown.clear();
        QTest::mouseClick(s.imgThumb(cell), Qt::LeftButton);
        pictureRead();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].title, QStringLiteral("Picture Not Loaded"));
        EXPECT_TRUE(messages.shown[0].text.contains(QLatin1String(name)));
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
        EXPECT_TRUE(s.isVisible());
        EXPECT_FALSE(fullViewShown());
    }
    // The sheet is not left waiting: the next click opens its picture.
    QTest::mouseClick(s.imgThumb(3), Qt::LeftButton);
    pictureRead();
    EXPECT_TRUE(fullViewShown());
}
