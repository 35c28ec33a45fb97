#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/thumbnail_loader.h"

#include <QDir>
#include <QTest>

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
    // Lets the workers finish and hands their pictures to the cells.
    void waitForThumbnails() {
        sheet().thumbnails().waitForDone();
        settle();
    }
    // Every built cell sits in its row and column, with its file's name.
    void expectGrid() {
        const FrmThumb& s = sheet();
        const auto& cells = s.cells();
        ASSERT_EQ(static_cast<int>(cells.size()), s.RowEnd + 1);
        const float pallet = static_cast<float>(s.picHold->width());
        for (int k = 1; k < static_cast<int>(cells.size()); ++k) {
            SCOPED_TRACE(k);
            const int row = k / 6;
            EXPECT_FLOAT_EQ(cells[k].imgBox.top, 32.0f + 130 * row);
            EXPECT_FLOAT_EQ(cells[k].lblBox.top, 112.0f + 130 * row);
            EXPECT_FLOAT_EQ(cells[k].shpBox.top, 24.0f + 130 * row);
            if (k % 6 == 0) {
                EXPECT_FLOAT_EQ(cells[k].imgBox.left, 72.0f);
                EXPECT_FLOAT_EQ(cells[k].lblBox.left, 72.0f);
                EXPECT_FLOAT_EQ(cells[k].shpBox.left, 56.0f);
            } else {
                EXPECT_GT(cells[k].imgBox.left,
                          cells[k - 1].imgBox.left + cells[k - 1].imgBox.width);
            }
            EXPECT_LT(cells[k].shpBox.left + cells[k].shpBox.width, pallet);
            EXPECT_FLOAT_EQ(cells[k].imgBox.height, 81.0f);
            EXPECT_EQ(cells[k].lbl->text(), s.filPic->list(k - 1));
            EXPECT_TRUE(cells[k].lbl->isVisible());
        }
    }
    QString pics;
};

TEST_F(ThumbSheet, PalletHeightRoundsTheFormula) {
    EXPECT_EQ(FrmThumb::palletHeightFor(0), 200);
    EXPECT_EQ(FrmThumb::palletHeightFor(5), 367);
    EXPECT_EQ(FrmThumb::palletHeightFor(24), 1000);
    EXPECT_EQ(FrmThumb::palletHeightFor(755), 25367);
}

TEST_F(ThumbSheet, AnEmptyFolderShowsOnlyTheDisabledEmblem) {
    FrmThumb& s = open(0);
    EXPECT_TRUE(s.isVisible());
    EXPECT_TRUE(s.isMaximized());
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(s.cells().size(), 1u);
    EXPECT_FALSE(s.imgThumb(0)->isEnabled());
    EXPECT_FALSE(s.lblThumb(0)->isEnabled());
    EXPECT_EQ(s.lblThumb(0)->text(), QStringLiteral("Plenarvo Viewer"));
    EXPECT_EQ(s.picHold->height(), 200);
    EXPECT_EQ(s.outerHeight(), 400);
    EXPECT_FALSE(s.Timer1->enabled());
    advance(1000);
    EXPECT_EQ(s.vsrPallet->geometry(), QRect(1110, 80, 35, 265));
    EXPECT_EQ(s.vsrPallet->maximum(), 10);
    // The title: 12 pixels down, centred across the sheet.
    EXPECT_EQ(s.titlePosition().y(), 12);
    const qreal textWidth = QFontMetricsF(s.font()).horizontalAdvance(FrmThumb::titleText());
    EXPECT_NEAR(s.titlePosition().x() * 2 + textWidth, s.width(), 1.0);
    // The disabled emblem does not react.
    QTest::mouseClick(s.imgThumb(0), Qt::LeftButton);
    EXPECT_TRUE(s.isVisible());
    EXPECT_FALSE(forms->isLoaded(Window::FullView) && forms->fullView().isVisible());
}

TEST_F(ThumbSheet, FirstRowOnlyBelowFivePictures) {
    FrmThumb& s = open(1);
    EXPECT_EQ(s.RowEnd, 1);
    EXPECT_TRUE(s.imgThumb(0)->isEnabled());
    EXPECT_FALSE(s.Timer1->enabled());
    // Cell 1 is one column step (1.525 picture widths) right of the emblem.
    EXPECT_FLOAT_EQ(s.cells()[1].imgBox.left, 72 + 1.525f * ((984 - 72 * 4.45f) / 7));
    expectGrid();
    advance(1000);
    EXPECT_EQ(s.vsrPallet->geometry().topLeft(), QPoint(1110, 80));
}

TEST_F(ThumbSheet, FivePicturesGetAnEmptyBatchThatLaysOutTheBar) {
    FrmThumb& s = open(5);
    EXPECT_EQ(s.RowsPerPass, 0);
    ASSERT_TRUE(s.Timer1->enabled());
    advance(100);
    EXPECT_FALSE(s.Timer1->enabled());
    EXPECT_EQ(s.RowEnd, 5);
    EXPECT_EQ(s.cells().size(), 6u);
    EXPECT_EQ(s.vsrPallet->geometry(), QRect(s.width() - 25, 0, 35, s.height() - 1));
    EXPECT_EQ(s.picHold->width(), s.width() - 35);
    EXPECT_EQ(s.vsrPallet->maximum(), 367 - s.height() + 400);
    expectGrid();
}

TEST_F(ThumbSheet, SixthPictureStartsRowOneWithTheWidthLoadedBeforeTheLayout) {
    FrmThumb& s = open(6);
    EXPECT_EQ(s.RowsPerPass, 1);
    advance(100);
    ASSERT_EQ(s.RowEnd, 6);
    expectGrid();
    // Cell 6 copied element 0 before the new pallet width was taken.
    EXPECT_FLOAT_EQ(s.cells()[6].imgBox.width, s.cells()[5].imgBox.width);
    const float laidOut = (static_cast<float>(s.picHold->width()) - 72 * 4.45f) / 7;
    EXPECT_FLOAT_EQ(s.cells()[0].imgBox.width, laidOut);
}

TEST_F(ThumbSheet, ScrollsArmOneBatchEachAndRowOnePicturesGoOnce) {
    FrmThumb& s = open(78);
    EXPECT_EQ(s.RowsPerPass, 4);
    advance(100);
    EXPECT_EQ(s.RowEnd, 29);
    // Two completed scrolls within 100 ms lead to one batch.
    s.vsrPallet->setValue(260);
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
    EXPECT_NE(s.imgThumb(6), nullptr);

    s.vsrPallet->setValue(1040);
    for (int k = 6; k <= 11; ++k) {
        EXPECT_EQ(s.imgThumb(k), nullptr);
        EXPECT_TRUE(s.lblThumb(k)->isVisible());
        EXPECT_TRUE(s.shpThumb(k)->isVisible());
    }
    EXPECT_NE(s.imgThumb(12), nullptr);
    s.vsrPallet->setValue(1300);  // again before the batch: nothing more goes
    EXPECT_NE(s.imgThumb(5), nullptr);
    EXPECT_NE(s.imgThumb(12), nullptr);
    advance(100);
    EXPECT_EQ(s.RowEnd, 78);
    expectGrid();

    // A click on a discarded picture or its name does nothing.
    QTest::mouseClick(s.lblThumb(8), Qt::LeftButton);
    s.lblThumb_Click(8);
    EXPECT_TRUE(s.isVisible());
    EXPECT_FALSE(forms->fullView().isVisible());

    // Complete: a scroll only moves the pallet.
    const int prints = s.titlePrints();
    s.vsrPallet->setValue(0);
    EXPECT_EQ(s.picHold->y(), 60);
    EXPECT_FALSE(s.Timer1->enabled());
    EXPECT_EQ(s.titlePrints(), prints);
}

TEST_F(ThumbSheet, ADragMovesThePalletAndItsReleaseCompletesTheScroll) {
    FrmThumb& s = open(30);
    advance(100);
    ASSERT_EQ(s.RowEnd, 29);
    s.vsrPallet->setSliderDown(true);
    s.vsrPallet->setSliderPosition(200);
    EXPECT_EQ(s.picHold->y(), -200);
    EXPECT_FALSE(s.Timer1->enabled());
    s.vsrPallet->setSliderDown(false);
    EXPECT_EQ(s.picHold->y(), 60 - 200);
    EXPECT_TRUE(s.Timer1->enabled());
    advance(100);
    EXPECT_EQ(s.RowEnd, 30);
}

TEST_F(ThumbSheet, MoreThan755PicturesStopAtTheCap) {
    FrmThumb& s = open(800, {8, 6});
    EXPECT_EQ(s.ThumbCount, 755);
    EXPECT_EQ(s.picHold->height(), 25367);
    EXPECT_EQ(s.outerHeight(), 25567);
    advance(100);
    int batches = 1;
    while (s.RowEnd < s.ThumbCount && batches < 100) {
        scrollAndBuild(s.vsrPallet->value() == 0 ? 260 : 0);
        ++batches;
    }
    EXPECT_EQ(batches, 32);  // (755 - 5) / 24 cells, rounded up
    EXPECT_EQ(s.RowEnd, 755);
    EXPECT_EQ(s.vsrPallet->maximum(), 25367 - s.height() + 400);
    EXPECT_FLOAT_EQ(s.cells()[750].imgBox.top, 32.0f + 130 * 125);
    EXPECT_EQ(s.lblThumb(755)->text(), s.filPic->list(754));
    expectGrid();
}

TEST_F(ThumbSheet, CellsHoldReducedCopiesAndAnUnreadableFileKeepsItsName) {
    pics = folder(QStringLiteral("pics"));
    writePicture(pics, QStringLiteral("a.jpg"), {400, 300});
    ASSERT_TRUE(writeBytes(QDir(pics).filePath(QStringLiteral("b.jpg")), "not a picture"));
    writePicture(pics, QStringLiteral("c.bmp"), {400, 300});
    startAndOpen(pics);
    main().cmdThumb_Click();
    waitForThumbnails();
    FrmThumb& s = sheet();
    ASSERT_EQ(s.RowEnd, 3);
    for (int k : {1, 3}) {
        const controls::Image* img = s.imgThumb(k);
        ASSERT_FALSE(img->picture().isNull());
        EXPECT_EQ(img->picture().size(), img->pixelSize());  // not the 400x300 original
    }
    EXPECT_TRUE(s.imgThumb(2)->picture().isNull());
    EXPECT_EQ(s.lblThumb(2)->text(), QStringLiteral("b.jpg"));

    // A click opens the full picture from its file, marked to come back.
    QTest::mouseClick(s.lblThumb(3), Qt::LeftButton);
    FrmFullView& view = forms->fullView();
    EXPECT_EQ(view.picFullScr->picture().size(), QSize(400, 300));
    EXPECT_EQ(view.Tag, QStringLiteral("Back"));
    EXPECT_FALSE(s.isVisible());
    EXPECT_FALSE(main().isVisible());
    EXPECT_TRUE(view.isVisible());

    // Back from the full view: the sheet again, intact, its title reprinted.
    const int prints = s.titlePrints();
    QTest::mouseClick(view.picFullScr, Qt::LeftButton);
    settle();
    EXPECT_TRUE(forms->isLoaded(Window::Thumb));
    EXPECT_TRUE(s.isVisible());
    EXPECT_GT(s.titlePrints(), prints);
    EXPECT_FALSE(main().isVisible());
    EXPECT_EQ(s.RowEnd, 3);
    EXPECT_FALSE(forms->isLoaded(Window::FullView));

    // The emblem opens the program's icon.
    QTest::mouseClick(s.imgThumb(0), Qt::LeftButton);
    EXPECT_EQ(forms->fullView().picFullScr->picture().size(), QSize(32, 32));
}

TEST_F(ThumbSheet, BackgroundClickKeyAndCloseReturnToTheMainWindow) {
    open(3);
    QTest::mouseClick(sheet().picHold, Qt::LeftButton, {}, QPoint(900, 250));
    settle();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(forms->isLoaded(Window::Thumb));

    main().cmdThumb_Click();
    QTest::keyClick(sheet().vsrPallet, Qt::Key_Q);  // the bar has no use for it
    settle();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(forms->isLoaded(Window::Thumb));

    main().cmdThumb_Click();
    sheet().close();
    settle();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(forms->isLoaded(Window::Thumb));
}

TEST_F(ThumbSheet, OpeningAgainDiscardsTheOldSheet) {
    FrmThumb& first = open(30);
    advance(100);
    ASSERT_EQ(first.RowEnd, 29);
    main().cmdThumb_Click();
    FrmThumb& second = sheet();
    EXPECT_NE(&first, &second);
    EXPECT_EQ(second.RowEnd, 5);
    settle();  // the old sheet is deleted, its decodes dropped
    waitForThumbnails();
    EXPECT_FALSE(second.imgThumb(5)->picture().isNull());
}
