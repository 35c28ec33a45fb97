#include "thumbnails/frm_thumb.h"
#include "timed_viewing/slideshow_fixture.h"

#include <QDir>

using namespace plenarvo;
using plenarvo::testing::FileReplacements;
using plenarvo::testing::flagsFor;
using plenarvo::testing::Slideshow;

TEST_F(Slideshow, ASchemeChoiceEndsRandomViewingAndColoursEveryWindow) {
    startIn({"a.bmp", "b.bmp"});
    main().mnuOptViewRnd->action()->trigger();
    FileReplacements writes(platform.settingsPath);
    main().mnuOptBacGrnPur->action()->trigger();
    settle();
    EXPECT_FALSE(viewLoaded());
    EXPECT_EQ(main().chkTimed->value(), 0);
    EXPECT_EQ(writes.count(), 2);  // by the order's handler during the unload, then by the choice
    EXPECT_EQ(flags(), flagsFor("HotMaroon", false));
    const QColor purple = schemeColour(Scheme::HotMaroon);
    EXPECT_EQ(controls::background(main().client), purple);
    EXPECT_EQ(controls::background(forms->thumb().picHold), purple);
    EXPECT_TRUE(main().Shape5->isHidden());
    advance(30000);  // the pending tick shows nothing
    EXPECT_FALSE(viewLoaded());
    EXPECT_TRUE(messages.shown.isEmpty());
    // The view takes the scheme again when it next loads.
    EXPECT_EQ(controls::background(&view()), purple);
}

TEST_F(Slideshow, ASchemeChoiceLoadsTheSheetHiddenAndBuiltForTheOpenFolder) {
    startIn({"a.bmp", "b.bmp"});
    ASSERT_FALSE(forms->isLoaded(Window::Thumb));
    main().mnuOptBacGrnGre->action()->trigger();
    ASSERT_TRUE(forms->isLoaded(Window::Thumb));
    FrmThumb& sheet = forms->thumb();
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(QDir::cleanPath(sheet.filPic->path()), QDir::cleanPath(pics));
    EXPECT_EQ(controls::background(&sheet), schemeColour(Scheme::Neon));
    EXPECT_EQ(controls::background(sheet.picHold), schemeColour(Scheme::Neon));
    EXPECT_EQ(flags(), flagsFor("Neon", false));

    // The Default scheme shows the panels and the divider again; choosing it
    // twice writes the same file twice.
    FileReplacements writes(platform.settingsPath);
    main().mnuOptBacGrnDef->action()->trigger();
    const QByteArray first = settingsBytes();
    main().mnuOptBacGrnDef->action()->trigger();
    EXPECT_EQ(writes.count(), 2);
    EXPECT_EQ(settingsBytes(), first);
    EXPECT_FALSE(main().Shape5->isHidden());
    EXPECT_FALSE(main().Shape3->isHidden());
    EXPECT_FALSE(main().Line1->isHidden());
    EXPECT_EQ(flags(), flagsFor("DarkBlue", false));
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
    EXPECT_EQ(controls::background(main().client), schemeColour(Scheme::ButtonFace));
}
