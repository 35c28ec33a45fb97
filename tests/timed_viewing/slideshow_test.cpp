#include "thumbnails/frm_thumb.h"
#include "timed_viewing/slide_ahead.h"
#include "timed_viewing/slideshow_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalBlocker>

#include <functional>

using namespace plenarvo;
using platform::MessageIcon;
using plenarvo::testing::flagsFor;
using plenarvo::testing::Slideshow;

namespace {

QStringList titles(const plenarvo::testing::FakeMessageBoxes& boxes) {
    QStringList out;
    for (const auto& m : boxes.shown) {
        out << m.title;
    }
    return out;
}

// The background as "#rrggbb", readable in a failure message.
QString bg(const QWidget* widget) {
    return controls::background(widget).name();
}

}  // namespace

// With reading ahead off the show is the same.
TEST_F(Slideshow, ShowsTheFolderInListOrderOnePerIntervalWithWrap) {
    startIn({"a.bmp", "b.bmp", "c_junk.bmp", "d.bmp"});
    for (const bool ahead : {true, false}) {
        SCOPED_TRACE(ahead);
        SlideAhead::setEnabled(ahead);
        const int hitsBefore = SlideAhead::counts().hits;
        main().filPic->setListIndex(3);  // the show starts with the first file all the same
        check();
        EXPECT_TRUE(main().isVisible());  // covered, not hidden
        QStringList seen{onView()};
        for (int tick = 0; tick < 4; ++tick) {
            if (tick % 2 == 1) {
                settle();
            }
            advance(9999);
            EXPECT_EQ(onView(), seen.last()) << "too early at tick " << tick;
            advance(1);
            seen << onView();
            EXPECT_EQ(inPreview(), seen.last());
        }
        // The junk file leaves b on show.
        EXPECT_EQ(seen, QStringList({"a.bmp", "b.bmp", "b.bmp", "d.bmp", "a.bmp"}));
        EXPECT_EQ(SlideAhead::counts().hits - hitsBefore, ahead ? 4 : 0);
        check();  // stopped
    }
    SlideAhead::setEnabled(true);
    EXPECT_EQ(flags(), flagsFor("DarkBlue", false));
}

TEST_F(Slideshow, AnEmptyFolderIsToldTwiceAndTheBoxEndsUnchecked) {
    startIn({});
    check();
    ASSERT_EQ(messages.shown.size(), 2);
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.text, QStringLiteral("No Images to Show in File Directory."));
        EXPECT_EQ(m.title, QStringLiteral("No Image Presant"));
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(main().chkTimed->value(), 0);
    EXPECT_FALSE(view().isVisible());

    // Random order from the menu: the same two messages, and the order is saved.
    main().mnuOptViewRnd->action()->trigger();
    EXPECT_EQ(titles(messages).count(QStringLiteral("No Image Presant")), 4);
    EXPECT_EQ(main().chkTimed->value(), 0);
    EXPECT_EQ(flags(), flagsFor("DarkBlue", true));
}

// At 0 seconds the picture stays until the view is left.
TEST_F(Slideshow, ZeroSecondsNeverTicks) {
    startIn({"a.bmp", "b.bmp"});
    main().txtSeconds->selectAll();
    QTest::keyClick(main().txtSeconds, Qt::Key_0);
    EXPECT_EQ(main().Timer1->interval(), 0);
    check();
    advance(1'000'000);
    EXPECT_EQ(onView(), QStringLiteral("a.bmp"));
    EXPECT_EQ(main().chkTimed->value(), 1);
}

TEST_F(Slideshow, WarnsWhileEngagedAndTheShowGoesOnBehindTheBox) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    check();
    messages.whileOpen = [this](const auto&) { advance(10000); };  // open a whole interval
    QTest::mouseClick(main().txtSeconds, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text,
              QStringLiteral("Please Un-check the timed view box to 'dis-engage' timers before\r "
                             "you make a change to the time in seconds Value."));
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("The Timers are Engaged"));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(onView(), QStringLiteral("b.bmp"));
    EXPECT_EQ(main().focusWidget(), main().chkTimed);
}

TEST_F(Slideshow, ClearingTheBoxStopsTheShowAndThePendingTickMovesTheSelection) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    check();
    advance(10000);
    check();  // cleared
    EXPECT_EQ(main().filPic->listIndex(), 0);
    advance(10000);
    EXPECT_EQ(main().filPic->listIndex(), 1);
    EXPECT_FALSE(main().Timer1->enabled());
    EXPECT_EQ(onView(), QStringLiteral("b.bmp"));  // nothing more was shown
    EXPECT_EQ(flags(), flagsFor("DarkBlue", false));
}

TEST_F(Slideshow, APictureThatCannotBeLoadedIsPassedOverAndToldOncePerShow) {
    startIn({"a.bmp", "b_junk.bmp", "c.bmp"});
    check();
    messages.whileOpen = [this](const auto&) { advance(10000); };
    advance(10000);  // the junk file; c comes while its message is open
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("Picture Not Loaded"));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("b_junk.bmp")));
    EXPECT_EQ(onView(), QStringLiteral("c.bmp"));
    advance(20000);  // a, then the junk file again, not told again
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(onView(), QStringLiteral("a.bmp"));

    check();  // a new show tells again
    check();
    advance(10000);
    EXPECT_EQ(messages.shown.size(), 2);
}

// Every road into the seconds box: the warning first while the show runs, then digits only.
TEST_F(Slideshow, KeysPasteCutUndoAndInputMethodsFollowTheKeyRules) {
    startIn({"a.bmp", "b.bmp"});
    controls::TextBox* box = main().txtSeconds;
    auto menu = [box](const char* caption) {
        return [box, caption] {
            QMenu* menu = box->createEditMenu();
            for (QAction* action : menu->actions()) {
                if (action->text() == QLatin1String(caption)) {
                    action->trigger();
                }
            }
            delete menu;
        };
    };
    auto typedIn = [box](const char* text) {
        return [box, text] {
            QInputMethodEvent event;
            event.setCommitString(QString::fromUtf8(text));
            QApplication::sendEvent(box, &event);
        };
    };
    auto key = [box](Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        return [box, k, mods] { QTest::keyClick(box, k, mods); };
    };
    const QString engaged = QStringLiteral("The Timers are Engaged");
    const QString keyError = QStringLiteral("Key Press Error");
    const struct {
        const char* road;
        std::function<void()> edit;
        bool engaged;
        const char* clipboard;
        const char* text;  // the box afterwards, from "4" with all of it selected
        QStringList titles;
    } cases[] = {
        {"typed letter", key(Qt::Key_Q), false, "7", "4", {keyError}},
        {"typed digit, engaged", key(Qt::Key_5), true, "7", "5", {engaged}},
        {"Backspace, engaged", key(Qt::Key_Backspace), true, "7", "", {engaged}},
        {"Ctrl+V digits, engaged", key(Qt::Key_V, Qt::ControlModifier), true, "7", "7", {engaged}},
        {"Ctrl+V letters", key(Qt::Key_V, Qt::ControlModifier), false, "1a", "4", {keyError}},
        {"Ctrl+X", key(Qt::Key_X, Qt::ControlModifier), false, "7", "", {}},
        {"Ctrl+Z, engaged", key(Qt::Key_Z, Qt::ControlModifier), true, "7", "10", {engaged}},
        {"menu Paste letters", menu("&Paste"), false, "x", "4", {keyError}},
        {"menu Cut, engaged", menu("Cu&t"), true, "7", "", {engaged}},
        {"input method digit", typedIn("2"), false, "7", "2", {}},
        {"input method letter, engaged", typedIn("é"), true, "7", "4", {engaged, keyError}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.road);
        QSignalBlocker quiet(main().chkTimed);
        main().chkTimed->setChecked(false);
        box->setText(QStringLiteral("10"));
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, '4');  // leaves "10" to undo
        box->selectAll();
        QGuiApplication::clipboard()->setText(QString::fromUtf8(c.clipboard));
        main().chkTimed->setChecked(c.engaged);
        messages.shown.clear();
        c.edit();
        EXPECT_EQ(box->text(), QString::fromUtf8(c.text));
        EXPECT_EQ(titles(messages), c.titles);
        EXPECT_EQ(main().Timer1->interval(),
                  (box->text().isEmpty() ? 10 : box->text().toInt()) * 1000);
    }
    ASSERT_EQ(messages.shown.last().title, keyError);  // the last row's
    EXPECT_EQ(messages.shown.last().text,
              QStringLiteral("You only may use number values up to 99 Seconds"));
    EXPECT_EQ(messages.shown.last().icon, MessageIcon::Critical);
}

TEST_F(Slideshow, RandomFromTheMenuDrawsTwiceAndGoesOnDrawing) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    random.script = {0.5F, 0.9F, 0.1F};
    main().mnuOptViewRnd->action()->trigger();
    EXPECT_TRUE(viewDecoded());
    EXPECT_EQ(random.draws, 2);
    EXPECT_EQ(random.reseeds, QList<double>({0.0, 0.0}));
    EXPECT_FALSE(main().mnuOptViewCon->checked());
    EXPECT_EQ(onView(), QStringLiteral("c.bmp"));  // the second draw stays on show
    EXPECT_EQ(flags(), flagsFor("DarkBlue", true));

    const int hitsBefore = SlideAhead::counts().hits;
    advance(10000);
    EXPECT_EQ(onView(), QStringLiteral("a.bmp"));
    EXPECT_EQ(SlideAhead::counts().hits - hitsBefore, 1);  // the draw was worked out ahead
    EXPECT_EQ(random.draws, 3);

    // Clearing the box on the main window checks it again: the show goes on.
    check();
    EXPECT_EQ(main().chkTimed->value(), 1);
    EXPECT_TRUE(view().isVisible());
}

// Consecutive viewing chosen from the menu then only moves the selection and saves.
TEST_F(Slideshow, LeavingRandomViewingByAClickReturnsToConsecutive) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    random.script = {0.4F};
    main().mnuOptViewRnd->action()->trigger();
    QTest::mouseClick(view().picFullScr, Qt::LeftButton);
    settle();
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(main().chkTimed->value(), 0);
    EXPECT_TRUE(main().mnuOptViewCon->checked());
    EXPECT_EQ(flags(), flagsFor("DarkBlue", false));
    advance(30000);  // a tick still pending shows nothing
    EXPECT_FALSE(viewLoaded());

    ASSERT_EQ(main().filPic->listIndex(), 1);
    main().mnuOptViewCon->action()->trigger();
    EXPECT_EQ(main().filPic->listIndex(), 2);
    main().mnuOptViewCon->action()->trigger();
    EXPECT_EQ(main().filPic->listIndex(), 0);
    EXPECT_FALSE(viewLoaded());
    EXPECT_TRUE(messages.shown.isEmpty());
}

// Each choice colours all three windows and the sheet's pallet, shows the
// decorations for the Default scheme only, ends random timed viewing and saves.
TEST_F(Slideshow, EachSchemeChoiceColoursEveryWindowWithItsColourAndEndsTimedViewing) {
    const struct {
        controls::MenuItem* FrmImage::*item;
        const char* flag;
        QRgb colour;  // 0: the system's button face colour
    } schemes[] = {
        {&FrmImage::mnuOptBacGrnDef, "DarkBlue", qRgb(0, 0, 192)},
        {&FrmImage::mnuOptBacGrnGre, "Neon", qRgb(0, 255, 0)},
        {&FrmImage::mnuOptBacGrnLitBlu, "Teal", qRgb(0, 192, 192)},
        {&FrmImage::mnuOptBacGrnPur, "HotMaroon", qRgb(192, 0, 192)},
        {&FrmImage::mnuOptBacGrnPut, "Putty", 0},
        {&FrmImage::mnuOptBacGrnDef, "DarkBlue", qRgb(0, 0, 192)},  // and back
    };
    startIn({"a.bmp", "b.bmp"});
    ASSERT_FALSE(forms->isLoaded(Window::Thumb));
    for (const auto& c : schemes) {
        SCOPED_TRACE(c.flag);
        main().mnuOptViewRnd->action()->trigger();
        ASSERT_EQ(main().chkTimed->value(), 1);
        (main().*c.item)->action()->trigger();
        settle();
        const QString colour =
            (c.colour ? QColor(c.colour) : QApplication::palette().color(QPalette::Button)).name();
        EXPECT_FALSE(viewLoaded());
        EXPECT_EQ(main().chkTimed->value(), 0);
        EXPECT_EQ(flags(), flagsFor(QString::fromLatin1(c.flag), false));
        EXPECT_EQ(bg(main().client), colour);
        // The first choice loads the sheet, hidden, on the open folder.
        ASSERT_TRUE(forms->isLoaded(Window::Thumb));
        EXPECT_FALSE(forms->thumb().isVisible());
        EXPECT_EQ(bg(&forms->thumb()), colour);
        EXPECT_EQ(bg(forms->thumb().picHold), colour);
        const bool decorations = c.item == &FrmImage::mnuOptBacGrnDef;
        EXPECT_EQ(main().Shape5->isHidden(), !decorations);
        EXPECT_EQ(main().Shape3->isHidden(), !decorations);
        EXPECT_EQ(main().Line1->isHidden(), !decorations);
        advance(30000);  // the pending tick shows nothing
        EXPECT_FALSE(viewLoaded());
        EXPECT_EQ(bg(&view()), colour);  // the view takes the scheme again when it loads
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Slideshow, ASettingsFileThatCannotBeWrittenIsToldOnceAndTheChoiceStays) {
    startIn({"a.bmp"});
    QDir().mkpath(platform.settingsPath);  // a folder where the file should be
    main().mnuOptBacGrnLitBlu->action()->trigger();
    main().mnuOptBacGrnPut->action()->trigger();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("Settings Not Saved"));
    EXPECT_TRUE(main().mnuOptBacGrnPut->checked());
    EXPECT_FALSE(main().mnuOptBacGrnLitBlu->checked());
    EXPECT_EQ(controls::background(main().client), QApplication::palette().color(QPalette::Button));
}
