#include "timed_viewing/slideshow_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalBlocker>
#include <QTest>

#include <functional>

using namespace plenarvo;
using platform::MessageIcon;
using plenarvo::testing::FileReplacements;
using plenarvo::testing::flagsFor;
using plenarvo::testing::Slideshow;

namespace {

const QString kEngaged = QStringLiteral(
    "Please Un-check the timed view box to 'dis-engage' timers before\r you make a "
    "change to the time in seconds Value.");

QStringList titles(const plenarvo::testing::FakeMessageBoxes& boxes) {
    QStringList out;
    for (const auto& m : boxes.shown) {
        out << m.title;
    }
    return out;
}

}  // namespace

TEST_F(Slideshow, ShowsTheFolderInListOrderOnePerIntervalWithWrap) {
    startIn({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"});
    main().filPic->setListIndex(4);  // the show starts with the first file all the same
    check();
    EXPECT_TRUE(view().isVisible());
    EXPECT_TRUE(view().picFullScr->isVisible());
    EXPECT_TRUE(main().isVisible());  // covered, not hidden
    QStringList seen{onView()};
    for (int tick = 0; tick < 5; ++tick) {
        advance(9999);
        EXPECT_EQ(onView(), seen.last()) << "too early at tick " << tick;
        advance(1);
        seen << onView();
        EXPECT_EQ(main().lblImage->text(), seen.last());
        EXPECT_EQ(inPreview(), seen.last());
    }
    EXPECT_EQ(seen, QStringList({"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "a.bmp"}));
    EXPECT_EQ(flags(), flagsFor("DarkBlue", false));
}

TEST_F(Slideshow, AnEmptyFolderIsToldTwiceAndTheBoxEndsUnchecked) {
    startIn({});
    FileReplacements writes(platform.settingsPath);
    check();
    ASSERT_EQ(messages.shown.size(), 2);
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.text, QStringLiteral("No Images to Show in File Directory."));
        EXPECT_EQ(m.title, QStringLiteral("No Image Presant"));
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    }
    EXPECT_EQ(main().chkTimed->value(), 0);
    EXPECT_FALSE(view().isVisible());
    EXPECT_EQ(writes.count(), 0);

    // Random order from the menu: the same two messages, then one write.
    main().mnuOptViewRnd->action()->trigger();
    EXPECT_EQ(messages.shown.size(), 4);
    EXPECT_EQ(main().chkTimed->value(), 0);
    EXPECT_EQ(writes.count(), 1);
    EXPECT_EQ(flags(), flagsFor("DarkBlue", true));
}

TEST_F(Slideshow, TheIntervalFollowsTheSecondsBoxAndRefusesLetters) {
    startIn({"a.bmp", "b.bmp"});
    const platform::Timer& timer = *main().Timer1;
    const std::pair<const char*, int> typed[] = {{"5", 5000},   {"", 10000},  {"99", 99000},
                                                 {"45", 45000}, {"07", 7000}, {"00", 0}};
    for (const auto& [keys, ms] : typed) {
        typeSeconds(QString::fromLatin1(keys));
        EXPECT_EQ(timer.interval(), ms) << keys;
    }
    // Pasted text: the digits it starts with, else the tag.
    main().txtSeconds->setText(QStringLiteral("3x"));
    EXPECT_EQ(timer.interval(), 3000);
    main().txtSeconds->setText(QStringLiteral("x3"));
    EXPECT_EQ(timer.interval(), 10000);
    EXPECT_TRUE(messages.shown.isEmpty());

    // No interval: the picture stays until the view is left.
    typeSeconds(QStringLiteral("0"));
    check();
    advance(1'000'000);
    EXPECT_EQ(onView(), QStringLiteral("a.bmp"));
    QTest::mouseClick(view().picFullScr, Qt::LeftButton);
    settle();
    EXPECT_FALSE(viewLoaded());
    EXPECT_EQ(main().chkTimed->value(), 0);
}

TEST_F(Slideshow, WarnsWhileEngagedAndTheShowGoesOnBehindTheBox) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    check();
    // The user leaves the box open for a whole interval.
    messages.whileOpen = [this](const auto&) { advance(10000); };
    QTest::mouseClick(main().txtSeconds, Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, kEngaged);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("The Timers are Engaged"));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(onView(), QStringLiteral("b.bmp"));
    EXPECT_EQ(main().focusWidget(), main().chkTimed);

    messages.whileOpen = nullptr;
    messages.shown.clear();
    main().txtSeconds->end(false);
    QTest::keyClick(main().txtSeconds, Qt::Key_Backspace);  // warned, then taken
    EXPECT_EQ(titles(messages), QStringList({"The Timers are Engaged"}));
    EXPECT_EQ(main().Timer1->interval(), 1000);
    advance(1000);
    EXPECT_EQ(onView(), QStringLiteral("c.bmp"));
}

TEST_F(Slideshow, ClearingTheBoxStopsTheShowAndThePendingTickMovesTheSelection) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    check();
    advance(10000);
    FileReplacements writes(platform.settingsPath);
    check();  // cleared
    EXPECT_EQ(main().filPic->listIndex(), 0);
    advance(10000);
    EXPECT_EQ(main().filPic->listIndex(), 1);
    EXPECT_FALSE(main().Timer1->enabled());
    EXPECT_EQ(onView(), QStringLiteral("b.bmp"));  // nothing more was shown
    EXPECT_EQ(writes.count(), 2);
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
    EXPECT_EQ(main().lblImage->text(), QStringLiteral("a.bmp"));
    EXPECT_TRUE(main().Timer1->enabled());

    check();  // a new show tells again
    check();
    advance(10000);
    EXPECT_EQ(messages.shown.size(), 2);
}

// Every road into the seconds box goes by the key rules: the warning first while
// the show runs, then digits only.
TEST_F(Slideshow, KeysPasteCutUndoAndInputMethodsFollowTheKeyRules) {
    startIn({"a.bmp", "b.bmp"});
    controls::TextBox* box = main().txtSeconds;
    auto menuAction = [box](const QString& caption) {
        QMenu* menu = box->createEditMenu();
        for (QAction* action : menu->actions()) {
            if (action->text() == caption) {
                action->trigger();
            }
        }
        delete menu;
    };
    auto commit = [box](const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(box, &event);
    };
    auto ctrl = [box](Qt::Key key) {
        return [box, key] { QTest::keyClick(box, key, Qt::ControlModifier); };
    };
    auto withClipboard = [](const char* text, const std::function<void()>& edit) {
        return [text, edit] {
            QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
            edit();
        };
    };
    auto key = [box](Qt::Key k) { return [box, k] { QTest::keyClick(box, k); }; };
    auto paste = [&] { menuAction(QStringLiteral("&Paste")); };
    auto cut = [&] { menuAction(QStringLiteral("Cu&t")); };
    auto typedIn = [&](const char* text) { return [&, text] { commit(QString::fromUtf8(text)); }; };
    struct Case {
        const char* road;
        std::function<void()> edit;
        bool engaged;
        const char* text;  // the box afterwards, from "4" with all of it selected
        QStringList titles;
    };
    const QString engaged = QStringLiteral("The Timers are Engaged");
    const QString keyError = QStringLiteral("Key Press Error");
    const Case cases[] = {
        {"typed letter", key(Qt::Key_Q), false, "4", {keyError}},
        {"typed letter, engaged", key(Qt::Key_Q), true, "4", {engaged, keyError}},
        {"typed digit, engaged", key(Qt::Key_5), true, "5", {engaged}},
        {"Ctrl+V digits", ctrl(Qt::Key_V), false, "7", {}},
        {"Ctrl+V digits, engaged", ctrl(Qt::Key_V), true, "7", {engaged}},
        {"Ctrl+V letters", withClipboard("1a", ctrl(Qt::Key_V)), false, "4", {keyError}},
        {"Ctrl+X", ctrl(Qt::Key_X), false, "", {}},
        {"Ctrl+X, engaged", ctrl(Qt::Key_X), true, "", {engaged}},
        {"Ctrl+Z, engaged", ctrl(Qt::Key_Z), true, "10", {engaged}},
        {"Delete, engaged", key(Qt::Key_Delete), true, "", {engaged}},
        {"menu Paste letters", withClipboard("x", paste), false, "4", {keyError}},
        {"menu Cut, engaged", cut, true, "", {engaged}},
        {"input method digit", typedIn("2"), false, "2", {}},
        {"input method letter, engaged", typedIn("é"), true, "4", {engaged, keyError}},
    };
    for (const Case& c : cases) {
        {
            QSignalBlocker quiet(main().chkTimed);
            main().chkTimed->setChecked(false);
        }
        box->setText(QStringLiteral("10"));
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, '4');  // leaves "10" to undo
        box->selectAll();
        QGuiApplication::clipboard()->setText(QStringLiteral("7"));
        if (c.engaged) {
            QSignalBlocker quiet(main().chkTimed);
            main().chkTimed->setChecked(true);
        }
        messages.shown.clear();
        c.edit();
        EXPECT_EQ(box->text(), QString::fromUtf8(c.text)) << c.road;
        EXPECT_EQ(titles(messages), c.titles) << c.road;
        for (const auto& m : messages.shown) {
            if (m.title == keyError) {
                EXPECT_EQ(m.text,
                          QStringLiteral("You only may use number values up to 99 Seconds"));
                EXPECT_EQ(m.icon, MessageIcon::Critical);
            }
        }
        EXPECT_EQ(main().Timer1->interval(),
                  (box->text().isEmpty() ? 10 : box->text().toInt()) * 1000)
            << c.road;
    }
}
