#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QTest>

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
    // The worked examples, then each comparison at its edge: the wide frame is
    // 1105 pixels (16575 twips), the tall threshold 680 pixels (10200 twips).
    const struct {
        QSize size;
        Shown expected;
    } cases[] = {
        {{1200, 600}, Shown::Wide}, {{1200, 1200}, Shown::Box}, {{700, 900}, Shown::Tall},
        {{600, 1000}, Shown::Box},  {{1000, 800}, Shown::Box},  {{1105, 100}, Shown::Box},
        {{1106, 100}, Shown::Wide}, {{1106, 1106}, Shown::Box}, {{680, 900}, Shown::Box},
        {{681, 900}, Shown::Tall},  {{900, 900}, Shown::Box},
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
        ASSERT_EQ(shownControl(view()), c.expected);
        EXPECT_TRUE(view().isVisible());
        EXPECT_FALSE(main().isVisible());
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
    EXPECT_EQ(shownControl(view()), Shown::Box);  // no load, no selection tick
    EXPECT_TRUE(view().isVisible());

    QTest::mouseClick(view().picFullScr, Qt::LeftButton);  // back, and unloaded
    settle();
    main().cmdFullScreen_Click();
    advance(10);
    EXPECT_EQ(shownControl(view()), Shown::Wide);
}

// Every way out unloads the view, clears timed viewing through its click handling
// and resets the view order, without saving. Keys that reach the window itself
// do nothing.
TEST_F(FullView, EveryWayOutUnloadsItClearsTimedViewingAndResetsTheOrderWithoutSaving) {
    int timedClicks = 0;
    main().chkTimed->onClick = [&] { ++timedClicks; };
    const struct {
        const char* name;
        QSize picture;               // the previewed picture's size
        std::function<void()> back;  // nullptr: the view stays loaded hidden since start-up
    } ways[] = {
        {"unloaded hidden, as a colour-scheme change does", {}, nullptr},
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
        if (way.back) {
            preview(way.picture);
            main().cmdFullScreen_Click();
            advance(10);
            ASSERT_EQ(view().returnTo(), FrmFullView::ReturnTo::Main);
            QTest::keyClick(&view(), Qt::Key_A);
            QTest::keyClick(&view(), Qt::Key_3);
            EXPECT_TRUE(view().isVisible());
            way.back();
            settle();
            EXPECT_TRUE(main().isVisible());
        } else {
            ASSERT_TRUE(forms->isLoaded(Window::FullView));
            forms->unload(Window::FullView);
        }
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
