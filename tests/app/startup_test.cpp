#include "about/frm_splash.h"
#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

QColor clientColour(FrmImage& w) { return controls::background(w.client); }

bool decorationsShown(FrmImage& w) {
    return !w.Shape5->isHidden() && !w.Shape3->isHidden() && !w.Line1->isHidden();
}

QStringList settingsLines(const QString& dir, const QStringList& flags) {
    return QStringList{dir} + flags;
}

}  // namespace

class Startup : public AppFixture {};

TEST_F(Startup, FirstStartWithoutSettingsUsesTheBuiltStateAndWritesNothing) {
    start();
    FrmImage& w = main();
    EXPECT_TRUE(w.txtDefault->text().isEmpty());
    EXPECT_EQ(w.dirPic->path(), QDir::cleanPath(platform.fallbackFolder));
    EXPECT_TRUE(w.mnuOptBacGrnDef->checked());
    EXPECT_TRUE(w.mnuOptViewCon->checked());
    EXPECT_FALSE(w.mnuOptViewRnd->checked());
    EXPECT_TRUE(decorationsShown(w));
    EXPECT_EQ(clientColour(w), controls::fromBgr(0x8000000F));
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(w.isMaximized());
    EXPECT_FALSE(QFileInfo::exists(platform.settingsPath));
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("0"));
}

TEST_F(Startup, OpensTheSavedFolderWithItsPictures) {
    const QString pics = folder(QStringLiteral("pics"));
    writePicture(pics, QStringLiteral("b.jpg"), {8, 8});
    writePicture(pics, QStringLiteral("A.BMP"), {8, 8});
    writePicture(pics, QStringLiteral("c.png"), {8, 8});  // not a listed kind
    writeSettings(settingsLines(pics, {"False", "False", "True", "False", "False", "False", "True"}));
    start();
    FrmImage& w = main();
    EXPECT_EQ(w.txtDefault->text(), pics);
    EXPECT_EQ(w.txtDefault->tag, pics);
    EXPECT_EQ(w.dirPic->path(), pics);
    EXPECT_EQ(w.filPic->path(), pics);
    EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("2"));
    EXPECT_EQ(w.filPic->list(0), QStringLiteral("A.BMP"));
    EXPECT_EQ(w.filPic->listIndex(), -1);
    // Teal alone: its colour, decorations hidden.
    EXPECT_EQ(clientColour(w), schemeColour(Scheme::Teal));
    EXPECT_FALSE(decorationsShown(w));
}

TEST_F(Startup, AMissingDefaultFolderFallsBackWithoutAMessage) {
    const QString gone = temp.filePath(QStringLiteral("gone"));
    writeSettings(settingsLines(gone, {"True", "False", "False", "False", "False", "False", "True"}));
    start();
    EXPECT_EQ(main().dirPic->path(), QDir::cleanPath(platform.fallbackFolder));
    EXPECT_EQ(main().txtDefault->text(), gone);
    EXPECT_EQ(main().txtDefault->tag, gone);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Startup, AFormatErrorKeepsTheFlagsBeforeItAndAppliesNoScheme) {
    // Neon set on line 6, then a bad view-order flag.
    writeSettings(settingsLines(QStringLiteral("/nowhere"),
                                {"false", "0", "0", "0", "-1", "perhaps", "False"}));
    start();
    FrmImage& w = main();
    EXPECT_EQ(w.txtDefault->text(), QStringLiteral("/nowhere"));
    EXPECT_FALSE(w.mnuOptBacGrnDef->checked());
    EXPECT_TRUE(w.mnuOptBacGrnGre->checked());
    EXPECT_FALSE(w.mnuOptViewRnd->checked());
    EXPECT_TRUE(w.mnuOptViewCon->checked());  // after the bad line: as built
    EXPECT_EQ(clientColour(w), controls::fromBgr(0x8000000F));
    EXPECT_TRUE(decorationsShown(w));
}

TEST_F(Startup, AShortFileAppliesNothing) {
    writeSettings({QStringLiteral("/somewhere"), "False", "True"});
    start();
    EXPECT_TRUE(main().txtDefault->text().isEmpty());
    EXPECT_TRUE(main().mnuOptBacGrnDef->checked());
    EXPECT_FALSE(main().mnuOptBacGrnPut->checked());
}

TEST_F(Startup, SeveralSchemesCheckedFollowTheLastInTestOrder) {
    writeSettings(settingsLines(QString(), {"False", "True", "True", "False", "True", "TRUE", "true"}));
    start();
    FrmImage& w = main();
    // Neon, Teal and Putty checked: Putty is tested last.
    EXPECT_EQ(clientColour(w), schemeColour(Scheme::ButtonFace));
    EXPECT_TRUE(w.mnuOptBacGrnPut->checked());
    EXPECT_TRUE(w.mnuOptBacGrnLitBlu->checked());
    EXPECT_TRUE(w.mnuOptBacGrnGre->checked());
    EXPECT_TRUE(w.mnuOptViewRnd->checked());
    EXPECT_TRUE(w.mnuOptViewCon->checked());
    EXPECT_FALSE(decorationsShown(w));
    // Dark Blue wins at start-up whenever it is checked.
    EXPECT_EQ(schemeColourOnLoad({true, true, false, false, false}), schemeColour(Scheme::Neon));
    EXPECT_EQ(schemeColourOnLoad({false, false, false, false, false}), std::nullopt);
}

TEST_F(Startup, AllSchemesOffLeavesTheBuiltColourAndHidesTheDecorations) {
    writeSettings(settingsLines(QString(), {"False", "False", "False", "False", "False", "False", "True"}));
    start();
    EXPECT_EQ(clientColour(main()), controls::fromBgr(0x8000000F));
    EXPECT_FALSE(decorationsShown(main()));
    EXPECT_FALSE(main().mnuOptBacGrnDef->checked());
}

TEST_F(Startup, SplashPhaseRunsOnTheTimersInOrder) {
    start();
    FrmImage& w = main();
    ASSERT_TRUE(forms->isLoaded(Window::Splash));
    ASSERT_TRUE(forms->isLoaded(Window::FullView));
    FrmSplash& splash = forms->splash();
    FrmFullView& view = forms->fullView();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(splash.lblVersion->text(), QStringLiteral("Version 2.1.1"));
    EXPECT_EQ(splash.lblProductName->text(), QStringLiteral("Plenarvo"));

    advance(10);  // the view's selection tick: no picture, so the picture box
    EXPECT_TRUE(view.isVisible());
    EXPECT_FALSE(view.picFullScr->isHidden());
    EXPECT_TRUE(view.imgFullScr->isHidden());
    EXPECT_FALSE(view.tmrSelect->enabled());

    advance(90);
    EXPECT_FALSE(splash.tmrPageFocus->enabled());
    EXPECT_TRUE(w.Timer3->enabled());

    advance(2899);
    EXPECT_TRUE(splash.isVisible());
    advance(1);  // 3000 ms after the start
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(view.isVisible());
    EXPECT_TRUE(forms->isLoaded(Window::FullView));
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.Timer3->enabled());
    advance(10000);
    EXPECT_FALSE(splash.isVisible());
}

TEST_F(Startup, EveryExitPathEndsAtOnceWithoutSaving) {
    start();
    main().cmdExit_Click();
    EXPECT_EQ(endCount, 1);
    EXPECT_TRUE(forms->ended());
    EXPECT_FALSE(main().isVisible());
    EXPECT_FALSE(QFileInfo::exists(platform.settingsPath));
}

TEST_F(Startup, EscAndTheCloseBoxEndTheProgram) {
    start();
    QTest::keyClick(main().filPic, Qt::Key_Escape);
    EXPECT_EQ(endCount, 1);

    forms.reset();
    endCount = 0;
    start();
    main().mnuFileExit->action()->trigger();
    EXPECT_EQ(endCount, 1);

    forms.reset();
    endCount = 0;
    start();
    main().close();
    EXPECT_EQ(endCount, 1);
    EXPECT_FALSE(QFileInfo::exists(platform.settingsPath));
}

TEST_F(Startup, LayoutFollowsTheTwipsGrid) {
    start();
    FrmImage& w = main();
    // A few controls at their places, 15 twips to a pixel.
    EXPECT_EQ(w.filPic->geometry(), QRect(824, 248, 177, 327));
    EXPECT_EQ(w.imgImage->geometry(), QRect(48, 48, 457, 417));
    EXPECT_EQ(w.cmdExit->geometry(), QRect(832, 632, 97, 41));
    EXPECT_EQ(w.cmdShow->text(), QStringLiteral("&Show Image"));
    EXPECT_EQ(w.mnuOptBacGrnLitBlu->action()->text(), QStringLiteral("Teal  (Light Blue)"));
    EXPECT_EQ(w.cmdThumb->toolTip(),
              QStringLiteral("View thumbnails from Picture files Box up to the first 755 images of "
                             "a chosen directory. "));
    EXPECT_EQ(w.txtSeconds->maxLength(), 2);
    EXPECT_TRUE(w.frmDefault->isHidden());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Plenarvo"));
    EXPECT_EQ(FrmImage::startPicture().size(), QSize(622, 408));
    EXPECT_EQ(FrmImage::logoPicture().size(), QSize(121, 91));
    // Tab order starts at the file list, which has the focus.
    QWidget* next = w.filPic->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus)) {
        next = next->nextInFocusChain();
    }
    EXPECT_EQ(next, w.drvPic);
}
