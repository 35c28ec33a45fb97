#include "thumbnails/frm_thumb.h"
#include "timed_viewing/slideshow_fixture.h"

#include <QApplication>

using namespace plenarvo;
using plenarvo::testing::FileReplacements;
using plenarvo::testing::flagsFor;
using plenarvo::testing::Slideshow;

namespace {

// The background as "#rrggbb", readable in a failure message.
QString bg(const QWidget* widget) {
    return controls::background(widget).name();
}

}  // namespace

// Each choice, in the order the schemes are tried, colours all three windows and
// the sheet's pallet with its written colour, shows the decorations for the
// Default scheme only, ends random timed viewing and saves.
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
        {&FrmImage::mnuOptBacGrnDef, "DarkBlue", qRgb(0, 0, 192)},  // and the same again
    };
    startIn({"a.bmp", "b.bmp"});
    ASSERT_FALSE(forms->isLoaded(Window::Thumb));
    for (const auto& c : schemes) {
        SCOPED_TRACE(c.flag);
        main().mnuOptViewRnd->action()->trigger();
        ASSERT_EQ(main().chkTimed->value(), 1);
        FileReplacements writes(platform.settingsPath);
        (main().*c.item)->action()->trigger();
        settle();
        const QString colour =
            (c.colour ? QColor(c.colour) : QApplication::palette().color(QPalette::Button)).name();
        EXPECT_FALSE(viewLoaded());
        EXPECT_EQ(main().chkTimed->value(), 0);
        EXPECT_TRUE(main().mnuOptViewCon->checked());
        // By the order's handler during the unload, then by the choice.
        EXPECT_EQ(writes.count(), 2);
        EXPECT_EQ(flags(), flagsFor(QString::fromLatin1(c.flag), false));
        EXPECT_TRUE((main().*c.item)->checked());
        EXPECT_EQ(bg(main().client), colour);
        // The first choice loads the sheet, hidden, on the open folder.
        ASSERT_TRUE(forms->isLoaded(Window::Thumb));
        EXPECT_FALSE(forms->thumb().isVisible());
        EXPECT_EQ(QDir::cleanPath(forms->thumb().filPic->path()), QDir::cleanPath(pics));
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
