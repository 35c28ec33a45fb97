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
    void startAndSettle() {
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
    startAndSettle();
    struct Case {
        QSize size;
        Shown expected;
    };
    // The worked examples, then each comparison at its edge: the wide frame is
    // 1105 pixels (16575 twips), the tall threshold 680 pixels (10200 twips).
    const Case cases[] = {
        {{1200, 600}, Shown::Wide}, {{1200, 1200}, Shown::Box}, {{700, 900}, Shown::Tall},
        {{600, 1000}, Shown::Box},  {{1000, 800}, Shown::Box},  {{1105, 100}, Shown::Box},
        {{1106, 100}, Shown::Wide}, {{1106, 1106}, Shown::Box}, {{680, 900}, Shown::Box},
        {{681, 900}, Shown::Tall},  {{900, 900}, Shown::Box},
    };
    for (const Case& c : cases) {
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
    startAndSettle();
    ASSERT_TRUE(forms->isLoaded(Window::FullView));
    EXPECT_FALSE(view().isVisible());  // hidden by the end of the splash phase
    preview({1200, 600});
    main().cmdFullScreen_Click();
    advance(100);
    EXPECT_EQ(shownControl(view()), Shown::Box);  // no load, no selection tick
    EXPECT_TRUE(view().isVisible());

    QTest::mouseClick(view().picFullScr, Qt::LeftButton);
    settle();
    EXPECT_TRUE(main().isVisible());
    EXPECT_FALSE(forms->isLoaded(Window::FullView));
    main().cmdFullScreen_Click();
    advance(10);
    EXPECT_EQ(shownControl(view()), Shown::Wide);
}

TEST_F(FullView, UnloadResetsTheViewOrderAndClearsTimedViewingWithoutSaving) {
    startAndSettle();
    int timedClicks = 0;
    main().chkTimed->onClick = [&] { ++timedClicks; };
    for (const bool byKey : {false, true}) {  // loaded hidden since start-up, then anew
        main().chkTimed->setValue(1);
        main().mnuOptViewRnd->setChecked(true);
        main().mnuOptViewCon->setChecked(false);
        timedClicks = 0;
        const QByteArray before = settingsBytes();
        if (byKey) {
            preview({300, 200});
            main().cmdFullScreen_Click();
            ASSERT_EQ(view().returnTo(), FrmFullView::ReturnTo::Main);
            QTest::keyClick(view().picFullScr, Qt::Key_7);  // a digit returns as a letter does
            settle();
            EXPECT_TRUE(main().isVisible());
        } else {
            ASSERT_TRUE(forms->isLoaded(Window::FullView));
            forms->unload(Window::FullView);  // as a colour-scheme change does
        }
        EXPECT_FALSE(forms->isLoaded(Window::FullView));
        EXPECT_EQ(main().chkTimed->value(), 0);
        EXPECT_EQ(timedClicks, 1);  // clearing it ran its click handling once
        EXPECT_TRUE(main().mnuOptViewCon->checked());
        EXPECT_FALSE(main().mnuOptViewRnd->checked());
        EXPECT_EQ(settingsBytes(), before);
        // Unloading again is harmless and runs nothing.
        forms->unload(Window::FullView);
        EXPECT_EQ(timedClicks, 1);
    }
}

// Keys that reach the window itself do nothing; a click on the shown frame and
// the title bar's close go back to the main window and unload the view.
TEST_F(FullView, AClickOrTheTitleBarGoesBackAndKeysToTheWindowDoNot) {
    startAndSettle();
    const std::function<void()> ways[] = {
        [this] { QTest::mouseClick(view().imgFullScr, Qt::LeftButton); },
        [this] { view().close(); },
    };
    for (const auto& back : ways) {
        forms->unload(Window::FullView);
        settle();
        preview({1200, 600});
        main().cmdFullScreen_Click();
        advance(10);
        ASSERT_EQ(shownControl(view()), Shown::Wide);
        QTest::keyClick(&view(), Qt::Key_A);
        QTest::keyClick(&view(), Qt::Key_3);
        EXPECT_TRUE(forms->isLoaded(Window::FullView));
        back();
        settle();
        EXPECT_FALSE(forms->isLoaded(Window::FullView));
        EXPECT_TRUE(main().isVisible());
    }
}
