#include "timed_viewing/slideshow_fixture.h"

#include <QDir>
#include <QSet>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::FileReplacements;
using plenarvo::testing::flagsFor;
using plenarvo::testing::Slideshow;

TEST_F(Slideshow, ConsecutiveFromTheMenuOnlyMovesTheSelectionAndSaves) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    main().mnuOptViewCon->action()->trigger();
    EXPECT_EQ(main().filPic->listIndex(), 0);
    main().mnuOptViewCon->action()->trigger();
    EXPECT_EQ(main().filPic->listIndex(), 1);
    EXPECT_FALSE(view().isVisible());
    EXPECT_EQ(main().lblImage->text(), QStringLiteral("Pick a picture"));
    EXPECT_EQ(flags(), flagsFor("DarkBlue", false));
}

TEST_F(Slideshow, RandomFromTheMenuDrawsTwiceWritesFourTimesAndGoesOnDrawing) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    random.script = {0.5F, 0.9F, 0.1F};
    FileReplacements writes(platform.settingsPath);
    main().mnuOptViewRnd->action()->trigger();
    EXPECT_EQ(writes.count(), 4);
    EXPECT_EQ(random.draws, 2);
    EXPECT_EQ(random.reseeds, QList<double>({0.0, 0.0}));
    EXPECT_EQ(main().chkTimed->value(), 1);
    EXPECT_FALSE(main().mnuOptViewCon->checked());
    EXPECT_EQ(onView(), QStringLiteral("c.bmp"));  // the second draw stays on show
    EXPECT_EQ(flags(), flagsFor("DarkBlue", true));

    advance(10000);
    EXPECT_EQ(onView(), QStringLiteral("a.bmp"));
    EXPECT_EQ(random.draws, 3);
    EXPECT_EQ(writes.count(), 2);  // each tick saves before and after showing
    EXPECT_EQ(flags(), flagsFor("DarkBlue", true));

    // Clearing the box on the main window checks it again: the show goes on.
    check();
    EXPECT_EQ(main().chkTimed->value(), 1);
    EXPECT_TRUE(view().isVisible());
}

TEST_F(Slideshow, LeavingRandomViewingByAClickReturnsToConsecutive) {
    startIn({"a.bmp", "b.bmp", "c.bmp"});
    random.script = {0.4F};
    main().mnuOptViewRnd->action()->trigger();
    QTest::mouseClick(view().picFullScr, Qt::LeftButton);
    settle();
    EXPECT_FALSE(viewLoaded());
    EXPECT_TRUE(main().isVisible());
    EXPECT_EQ(main().chkTimed->value(), 0);
    EXPECT_TRUE(main().mnuOptViewCon->checked());
    EXPECT_EQ(flags(), flagsFor("DarkBlue", false));
    advance(30000);  // a tick still pending shows nothing
    EXPECT_FALSE(viewLoaded());
    EXPECT_TRUE(messages.shown.isEmpty());
}
