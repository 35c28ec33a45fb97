// The windows on a screen of twice the usual pixel density (this suite runs with
// QT_SCALE_FACTOR=2): the layout stays as laid out in logical pixels, and every
// picture and piece of artwork is made at the screen's device pixels instead of
// being blown up from a smaller copy.

#include "about/frm_about.h"
#include "about/frm_splash.h"
#include "full_view/frm_full_view.h"
#include "main_window/artwork.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/thumbnail_loader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

class HighDensity : public AppFixture {
protected:
    void SetUp() override {
        if (qApp->devicePixelRatio() != 2.0) {
            GTEST_SKIP() << "runs with QT_SCALE_FACTOR=2 (ctest's high_density_tests)";
        }
        pics = folder(QStringLiteral("pics"));
        writePicture(pics, QStringLiteral("a_wide.bmp"), {1600, 300}, Qt::blue);
        writePicture(pics, QStringLiteral("b.jpg"), {300, 200});
        startAndOpen(pics);
    }
    QString pics;
};

TEST_F(HighDensity, PicturesAreDecodedAtDevicePixels) {
    FrmImage& w = main();
    w.filPic->setListIndex(1);
    w.cmdShow_Click();
    EXPECT_EQ(w.imgImage->shownImage().size(), w.imgImage->size() * 2);

    w.filPic->setListIndex(0);
    w.cmdShow_Click();
    w.cmdFullScreen_Click();
    advance(10);
    // Both of the view's stretching frames, whichever the picture's size picks.
    FrmFullView& view = forms->fullView();
    for (controls::Image* frame : {view.imgFullScr, view.imgFullScrH}) {
        frame->grab();            // paints it, which asks for the picture at its size
        frame->finishDecoding();  // and the picture arrives
        EXPECT_EQ(frame->shownImage().size(), frame->size() * 2);
    }
    view.cmdAnyKey_Click();

    w.cmdThumb_Click();
    FrmThumb& sheet = forms->thumb();
    sheet.thumbnails().waitForDone();
    settle();
    for (int k : {1, 2}) {
        const controls::Image* img = sheet.imgThumb(k);
        ASSERT_FALSE(img->picture().isNull()) << k;
        EXPECT_EQ(img->picture().size(), img->size() * 2) << k;
    }
}

TEST_F(HighDensity, TheSplashLogoIsDrawnAtDevicePixels) {
    FrmSplash& splash = forms->splash();
    const QImage shown = splash.imgLogo->shownImage();
    ASSERT_EQ(shown.size(), splash.imgLogo->size() * 2);
    // Drawn afresh, not the small logo stretched: its lines keep their hard edges.
    const QImage stretched =
        logoPicture().scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_EQ(shown, logoPicture(shown.size()));
    EXPECT_NE(shown, stretched);
}

// Every caption of the splash and the About box fits its control.
TEST_F(HighDensity, CaptionsFitTheirControls) {
    for (QWidget* window :
         {static_cast<QWidget*>(&forms->splash()), static_cast<QWidget*>(&forms->about())}) {
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            if (label->text().isEmpty() || label->textFormat() == Qt::RichText) {
                continue;
            }
            const QRect room = label->contentsRect();
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect need = label->fontMetrics().boundingRect(room, flags, label->text());
            EXPECT_LE(need.width(), room.width() + 1)
                << window->objectName().toStdString() << ": " << label->text().toStdString();
            EXPECT_LE(need.height(), room.height() + 1)
                << window->objectName().toStdString() << ": " << label->text().toStdString();
        }
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            const QString text = QString(button->text()).remove(u'&');
            EXPECT_LE(button->fontMetrics().horizontalAdvance(text), button->width())
                << window->objectName().toStdString() << ": " << text.toStdString();
        }
    }
}
