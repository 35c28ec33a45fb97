#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/picture_opener.h"
#include "thumbnails/thumbnail_loader.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QWheelEvent>

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
        EXPECT_TRUE(sheet().isMaximized());
        // As on the designed screen (the offscreen platform leaves a maximized
        // window at the size it had).
        sheet().resize(1024, 768);
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
        EXPECT_TRUE(viewDecoded());
    }
    bool fullViewShown() {
        return forms->isLoaded(Window::FullView) && forms->fullView().isVisible();
    }
    // Shows the sheet as a maximized window on a screen of this size would be.
    void showAt(QSize screen) {
        sheet().setWindowState(Qt::WindowNoState);
        sheet().resize(screen);
    }
    // A wheel event over `widget`, sent as the window system would.
    static void wheel(QWidget* widget, int angle, int pixels = 0) {
        QWheelEvent event(QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)), QPoint(0, pixels),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &event);
    }
    // Every built cell in its row and column, named, of the 94.8 x 81 shape, inside
    // its own frame; the frames alike, apart, in the pallet and spread across it.
    void expectSoundSheet() {
        const FrmThumb& s = sheet();
        const auto& cells = s.cells();
        ASSERT_EQ(static_cast<int>(cells.size()), s.RowEnd + 1);
        const QRect pallet = s.picHold->rect();
        EXPECT_LT(s.picHold->geometry().right(), s.vsrPallet->geometry().left());
        const int rowStep = cells.size() > 6 ? cells[6].shp->y() - cells[0].shp->y() : 0;
        for (int k = 0; k < static_cast<int>(cells.size()); ++k) {
            SCOPED_TRACE(k);
            const FrmThumb::Cell& cell = cells[k];
            if (k >= 6) {
                EXPECT_NEAR(cell.shp->y() - cells[k - 6].shp->y(), rowStep, 1);
                EXPECT_EQ(cell.shp->x(), cells[k % 6].shp->x());
            }
            if (cell.img) {
                EXPECT_NEAR(cell.img->width(), cell.img->height() * 94.8 / 81, 1.0);
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

// Screens from 800x600 to 3840x2160, larger and larger, then one short and
// wide. Each opening discards the sheet before, and its decodes.
TEST_F(ThumbSheet, EveryScreenKeepsTheCellShapeAndShowsWholeRows) {
    open(60);
    int smaller = 0;
    for (const QSize screen :
         {QSize(800, 600), QSize(1024, 768), QSize(1280, 1024), QSize(1920, 1080),
          QSize(2560, 1440), QSize(3840, 2160), QSize(1920, 640)}) {
        SCOPED_TRACE(screen.width() * 10000 + screen.height());
        main().cmdThumb_Click();  // a new sheet, built as designed
        settle();
        sheet().thumbnails().waitForDone();
        settle();
        EXPECT_FALSE(sheet().imgThumb(5)->picture().isNull());
        showAt(screen);
        advance(100);
        const FrmThumb& s = sheet();
        ASSERT_EQ(s.picHold->width(), screen.width() - 35);
        expectSoundSheet();
        // The cells grow with the screen, with row 3 whole in view, as on the
        // designed screen; an arrow click moves two rows.
        EXPECT_TRUE(s.imgThumb(1)->height() > smaller || screen.height() == 640);
        smaller = s.imgThumb(1)->height();
        EXPECT_LE(s.picHold->y() + s.shpThumb(18)->geometry().bottom(), s.height());
        EXPECT_NEAR(s.vsrPallet->singleStep(), 2 * (s.shpThumb(6)->y() - s.shpThumb(0)->y()), 1);
    }
}

TEST_F(ThumbSheet, ScrollsArmOneBatchEachAndRowOnePicturesGoOnce) {
    FrmThumb& s = open(78);
    EXPECT_EQ(s.RowsPerPass, 4);
    advance(100);
    EXPECT_EQ(s.RowEnd, 29);
    advance(100);  // row 5 shows at the foot of the sheet: one batch more
    EXPECT_EQ(s.RowEnd, 53);
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
    ASSERT_EQ(s.RowStart, 72);
    ASSERT_EQ(s.RowEnd, 77);
    EXPECT_EQ(s.picHold->y(), 60 - 520);
    advance(1000);
    EXPECT_EQ(s.RowEnd, 77);  // no scroll, no batch

    s.vsrPallet->setValue(780);
    for (int k = 6; k <= 11; ++k) {
        EXPECT_EQ(s.imgThumb(k), nullptr);
        EXPECT_TRUE(s.shpThumb(k)->isVisible());
    }
    EXPECT_NE(s.imgThumb(12), nullptr);
    s.vsrPallet->setValue(1040);  // again before the batch: nothing more goes
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

// Over a picture, a name, the pallet, the bar or the sheet, a notch of the
// wheel or a touchpad's travel as long as the arrow's step moves the sheet as
// the arrow does, a completed scroll each; the sheet stays.
TEST_F(ThumbSheet, TheWheelScrollsAsTheArrowDoesAndTheRowsInViewGetBuilt) {
    FrmThumb& s = open(150);
    advance(200);
    const int step = s.vsrPallet->singleStep();
    wheel(s.imgThumb(3), -120);  // towards the user: down
    EXPECT_EQ(s.picHold->y(), 60 - step);
    wheel(s.vsrPallet, -240);  // two notches: two steps, as over the pallet
    wheel(s.picHold, -120);
    wheel(&s, 120);
    wheel(s.lblThumb(2), 105);  // a smooth wheel's small turns add up to notches
    EXPECT_EQ(s.vsrPallet->value(), 3 * step);
    wheel(s.lblThumb(2), 15);
    wheel(s.picHold, -12, 1 - step);  // a touchpad's travel, to the arrow's step
    EXPECT_EQ(s.vsrPallet->value(), 2 * step);
    wheel(s.picHold, -12, -1);
    EXPECT_EQ(s.vsrPallet->value(), 3 * step);
    advance(100);
    EXPECT_EQ(s.RowEnd, 77);
    EXPECT_TRUE(s.isVisible());

    // A drag of the thumb far ahead of the building: batches follow, 100 ms
    // apart, until the rows in view have their cells, and stop there; at the
    // bottom of the bar the last row is in view.
    for (const bool bottom : {false, true}) {
        s.vsrPallet->setSliderDown(true);
        s.vsrPallet->setSliderPosition(s.vsrPallet->maximum() / (bottom ? 1 : 2));
        s.vsrPallet->setSliderDown(false);
        advance(300);
        const int rowEnd = s.RowEnd;
        advance(1000);
        EXPECT_EQ(s.RowEnd, rowEnd);
        EXPECT_EQ(rowEnd == 150, bottom);
        const int nextRowTop = s.picHold->y() + s.shpThumb(rowEnd)->y() + 130;
        EXPECT_TRUE(bottom || nextRowTop >= s.height());
        EXPECT_LT(nextRowTop, s.height() + 4 * 130);
    }
    const QRect last = s.shpThumb(150)->geometry().translated(s.picHold->pos());
    EXPECT_TRUE(s.rect().contains(last));
    EXPECT_GT(last.bottom(), s.height() - 60);
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

    // The picture is read on a worker while the sheet answers; a click on another
    // cell meanwhile wins.
    QTest::mouseClick(s.lblThumb(1), Qt::LeftButton);
    EXPECT_TRUE(s.opener().busy());
    QTest::mouseClick(s.lblThumb(3), Qt::LeftButton);
    EXPECT_FALSE(fullViewShown());
    pictureRead();
    FrmFullView& view = forms->fullView();
    EXPECT_EQ(view.picFullScr->picture().size(), QSize(400, 300));
    EXPECT_EQ(view.picFullScr->picture().format(), pictures::Format::Bmp);  // c.bmp
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
