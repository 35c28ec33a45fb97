#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/picture_opener.h"
#include "timed_viewing/slide_ahead.h"

#include <QDir>
#include <QSemaphore>
#include <QTest>

#include <atomic>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

enum class Shown { None, Box, Wide, Tall, Several };

Shown shownControl(const FrmFullView& v) {
    const bool box = v.picFullScr->isVisible();
    const bool wide = v.imgFullScr->isVisible();
    const bool tall = v.imgFullScrH->isVisible();
    if (box + wide + tall > 1) {
        return Shown::Several;
    }
    return box ? Shown::Box : wide ? Shown::Wide : tall ? Shown::Tall : Shown::None;
}

}  // namespace

class FullView : public AppFixture {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        startAndOpen(pics);
    }
    // Puts a picture of this size into the preview.
    void preview(QSize size) {
        const QString name = QStringLiteral("p%1x%2.jpg").arg(size.width()).arg(size.height());
        const QString path = writePicture(pics, name, size);
        QString error;
        ASSERT_TRUE(main().loadPreview(path, name, &error)) << error.toStdString();
    }
    FrmFullView& view() { return forms->fullView(); }
    QString pics;
};

TEST_F(FullView, SelectionRuleAfterAFreshLoad) {
    // Each comparison at its edge: the wide frame is 1105 pixels (16575 twips),
    // the tall threshold 680 pixels (10200 twips).
    const struct {
        QSize size;
        Shown expected;
    } cases[] = {
        {{1000, 800}, Shown::Box},  {{1105, 100}, Shown::Box}, {{1106, 100}, Shown::Wide},
        {{1106, 1106}, Shown::Box}, {{680, 900}, Shown::Box},  {{681, 900}, Shown::Tall},
        {{900, 900}, Shown::Box},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            QStringLiteral("%1x%2").arg(c.size.width()).arg(c.size.height()).toStdString());
        forms->unload(Window::FullView);  // the next opening loads it afresh
        settle();
        preview(c.size);
        main().cmdFullScreen_Click();
        EXPECT_EQ(shownControl(view()), Shown::None);  // nothing chosen before the tick
        advance(10);
        ASSERT_TRUE(viewDecoded());
        ASSERT_EQ(shownControl(view()), c.expected);
        EXPECT_FALSE(view().cmdAnyKey->isVisible());
        // Every display control is centred on the window's outer rectangle.
        const QSizeF outer = view().outerSizeInTwips() / 15;
        for (QWidget* control :
             {static_cast<QWidget*>(view().picFullScr), static_cast<QWidget*>(view().imgFullScr),
              static_cast<QWidget*>(view().imgFullScrH)}) {
            const QPointF centre = QRectF(control->geometry()).center();
            EXPECT_NEAR(centre.x(), outer.width() / 2, 1.0);
            EXPECT_NEAR(centre.y(), outer.height() / 2, 1.0);
        }
        EXPECT_EQ(view().picFullScr->size(), c.size);
    }
}

TEST_F(FullView, FirstOpeningAfterStartUpShowsNaturalSizeThenTheRuleApplies) {
    ASSERT_TRUE(forms->isLoaded(Window::FullView));
    EXPECT_FALSE(view().isVisible());  // hidden by the end of the splash phase
    preview({1200, 600});
    main().cmdFullScreen_Click();
    advance(100);
    ASSERT_TRUE(viewDecoded());
    EXPECT_EQ(shownControl(view()), Shown::Box);  // no load, no selection tick
    EXPECT_TRUE(view().picFullScr->hasImage());   // decoded at natural size
    EXPECT_TRUE(view().isVisible());

    QTest::mouseClick(view().picFullScr, Qt::LeftButton);  // back, and unloaded
    settle();
    main().cmdFullScreen_Click();
    advance(10);
    ASSERT_TRUE(viewDecoded());
    EXPECT_EQ(shownControl(view()), Shown::Wide);
    // The wide frame's picture was decoded at the frame's size, not the picture's.
    EXPECT_EQ(view().imgFullScr->shownImage().size(), view().imgFullScr->pixelSize());
    EXPECT_FALSE(view().picFullScr->hasImage());
}

// Every way out unloads the view, clears timed viewing through its click handling
// and resets the view order, without saving. Keys that reach the window itself
// do nothing.
TEST_F(FullView, EveryWayOutUnloadsItClearsTimedViewingAndResetsTheOrderWithoutSaving) {
    int timedClicks = 0;
    main().chkTimed->onClick = [&] { ++timedClicks; };
    const struct {
        const char* name;
        QSize picture;  // the previewed picture's size
        std::function<void()> back;
    } ways[] = {
        {"a digit on the picture box",
         {300, 200},
         [this] { QTest::keyClick(view().picFullScr, Qt::Key_7); }},
        {"a click on the wide frame",
         {1200, 600},
         [this] { QTest::mouseClick(view().imgFullScr, Qt::LeftButton); }},
        {"the title bar's close", {1200, 600}, [this] { view().close(); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        main().chkTimed->setValue(1);
        main().mnuOptViewRnd->setChecked(true);
        main().mnuOptViewCon->setChecked(false);
        timedClicks = 0;
        const QByteArray before = settingsBytes();
        preview(way.picture);
        main().cmdFullScreen_Click();
        advance(10);
        ASSERT_TRUE(viewDecoded());
        ASSERT_EQ(view().returnTo(), FrmFullView::ReturnTo::Main);
        QTest::keyClick(&view(), Qt::Key_A);
        QTest::keyClick(&view(), Qt::Key_3);
        EXPECT_TRUE(view().isVisible());
        way.back();
        settle();
        EXPECT_TRUE(main().isVisible());
        EXPECT_FALSE(forms->isLoaded(Window::FullView));
        EXPECT_EQ(main().chkTimed->value(), 0);
        EXPECT_EQ(timedClicks, 1);
        EXPECT_TRUE(main().mnuOptViewCon->checked());
        EXPECT_FALSE(main().mnuOptViewRnd->checked());
        EXPECT_EQ(settingsBytes(), before);
        // Unloading again is harmless and runs nothing.
        forms->unload(Window::FullView);
        EXPECT_EQ(timedClicks, 1);
    }
}

namespace {

// The view's decodes (and the slide show's) held on their worker while `holding`,
// each counted. The hook is set once and never replaced while a worker may run it.
std::atomic<bool> holding{false};
std::atomic<int> decodes{0};
QSemaphore started;
QSemaphore gate;

void holdDecodes() {
    static const bool installed = [] {
        FrmFullView::setDecodeHook([] {
            if (holding) {
                ++decodes;
                started.release();
                gate.acquire();
            }
        });
        return true;
    }();
    decodes = 0;
    started.acquire(started.available());
    gate.acquire(gate.available());
    holding = installed;
}

}  // namespace

// Every road into the view: the window opened from stays until the view's picture
// has come from the worker; what comes meanwhile (the same click again, the
// selection tick, the slide's tick) starts nothing twice; another picture wins.
TEST_F(FullView, EveryRoadShowsTheViewWhenItsPictureArrivesOnceAndTheLastClickWins) {
    writePicture(pics, QStringLiteral("a.jpg"), {1500, 500});
    writePicture(pics, QStringLiteral("b.bmp"), {700, 900});
    openFolder(pics);
    const auto clickCell = [this](int k) {
        QTest::mouseClick(forms->thumb().imgThumb(k), Qt::LeftButton);
    };
    const struct {
        const char* name;
        std::function<void()> road, again, other;  // `other` opens b while a is read
        bool onSheet;
        int decodesRun;
    } roads[] = {
        {"Full Screen",
         [&] {
             forms->unload(Window::FullView);
             preview({1500, 500});
             main().cmdFullScreen_Click();
         },
         [&] { QTest::mouseClick(main().cmdFullScreen, Qt::LeftButton); },
         [&] {
             preview({700, 900});
             main().cmdFullScreen_Click();
         },
         false, 2},
        {"the first slide",
         [&] {
             SlideAhead::setEnabled(false);  // no read ahead: nothing else decodes
             QTest::mouseClick(main().chkTimed, Qt::LeftButton);
         },
         [&] { advance(10000); }, nullptr, false, 1},
        {"a thumbnail",
         [&] {
             main().cmdThumb_Click();
             clickCell(1);
         },
         [&] { QTest::mouseDClick(forms->thumb().imgThumb(1), Qt::LeftButton); },
         [&] {
             clickCell(2);
             forms->thumb().opener().waitForDone();  // read: the view takes it while a decodes
         },
         true, 2},
    };
    for (const auto& r : roads) {
        SCOPED_TRACE(r.name);
        holdDecodes();
        r.road();
        ASSERT_TRUE(waitUntil([] { return started.available() > 0; }));
        r.again();
        advance(10);
        if (r.other) {
            r.other();
        }
        settle();
        QWidget& origin = r.onSheet ? static_cast<QWidget&>(forms->thumb()) : main();
        EXPECT_FALSE(view().isVisible());
        EXPECT_TRUE(origin.isVisible());
        gate.release(100);
        ASSERT_TRUE(viewDecoded());
        EXPECT_TRUE(view().isVisible());
        EXPECT_EQ(origin.isVisible(), !r.onSheet && r.other == nullptr);  // a show covers
        EXPECT_EQ(view().picFullScr->picture().size(),
                  r.other ? QSize(700, 900) : QSize(1500, 500));
        EXPECT_EQ(decodes, r.decodesRun);
        holding = false;
        if (!r.other) {  // the tick held while the slide was read comes an interval after it
            advance(9999);
            EXPECT_EQ(main().filPic->listIndex(), 0);
            advance(1);
            EXPECT_EQ(main().filPic->listIndex(), 1);
        }
        view().cmdAnyKey_Click();
        if (r.onSheet) {
            forms->thumb().cmdAnyKey_Click();
        }
        settle();
    }
    SlideAhead::setEnabled(true);
    EXPECT_TRUE(messages.shown.isEmpty());
}
