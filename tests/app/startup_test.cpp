#include "about/frm_splash.h"
#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTest>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

// A settings file and what the program starts with from it. Nothing it holds ever
// stops the start or shows a message.
struct SettingsCase {
    const char* name;
    QByteArray folder;   // the folder line; "%1" stands for a folder of two pictures
    const char* flags;   // the seven flag lines, split at spaces; nullptr: no file at all
    bool folderOpened;   // the default folder was applied and opened
    const char* checks;  // the menu's seven check marks after start-up, in the file's order
    QRgb colour;         // its written colour; 0: the built one, the system's button face
    bool decorations;    // panels and divider shown
};

const SettingsCase kCases[] = {
    {"NoFile", "", nullptr, false, "1000001", 0, true},
    {"TealAlone", "%1", "False False True False False False True", true, "0010001",
     qRgb(0, 192, 192), false},
    {"MissingFolderFallsBack", "%1/gone", "True False False False False False True", false,
     "1000001", qRgb(0, 0, 192), true},
    // Neon set on line 6, then a bad view-order flag: no scheme applies.
    {"FormatErrorKeepsTheFlagsBefore", "%1", "false 0 0 0 -1 perhaps False", true, "0000101", 0,
     true},
    // Neon, Teal and Putty checked: Putty is tested last.
    {"SeveralSchemesFollowTheLastInTestOrder", "", "False True True False True TRUE true", false,
     "0110111", 0, false},
    {"NulInTheFolder", QByteArray("%1\0x", 4), "False False False False True False True", false,
     "0000101", qRgb(0, 255, 0), false},
};

}  // namespace

class Startup : public AppFixture {
protected:
    bool decorationsShown() {
        return !main().Shape5->isHidden() && !main().Shape3->isHidden() &&
               !main().Line1->isHidden();
    }
};

class StartupSettings : public Startup, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(StartupSettings, StartsWithWhatCouldBeAppliedAndWritesNothing) {
    const SettingsCase& c = GetParam();
    const QString pics = folder(QStringLiteral("pics"));
    writePicture(pics, QStringLiteral("b.jpg"), {8, 8});
    writePicture(pics, QStringLiteral("A.BMP"), {8, 8});
    QByteArray bytes;
    if (c.flags) {
        bytes = QByteArray(c.folder).replace("%1", pics.toUtf8()) + "\r\n";
        for (const QByteArray& flag : QByteArray(c.flags).split(' ')) {
            bytes += flag + "\r\n";
        }
        QDir().mkpath(QFileInfo(platform.settingsPath).absolutePath());
        ASSERT_TRUE(plenarvo::testing::writeBytes(platform.settingsPath, bytes));
    }
    start();
    advance(3000);
    FrmImage& w = main();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMaximized());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(w.dirPic->path(), c.folderOpened ? pics : QDir::cleanPath(platform.fallbackFolder));
    EXPECT_EQ(w.txtFileCount->text(), QString::number(c.folderOpened ? 2 : 0));
    if (c.folderOpened) {
        EXPECT_EQ(w.txtDefault->text(), pics);
    }
    QString checks;
    for (const controls::MenuItem* item :
         {w.mnuOptBacGrnDef, w.mnuOptBacGrnPut, w.mnuOptBacGrnLitBlu, w.mnuOptBacGrnPur,
          w.mnuOptBacGrnGre, w.mnuOptViewRnd, w.mnuOptViewCon}) {
        checks += item->checked() ? u'1' : u'0';
    }
    EXPECT_EQ(checks, QLatin1String(c.checks));
    // The built colour is a system colour, known once the program runs.
    const QColor colour = c.colour ? QColor(c.colour) : controls::fromBgr(0x8000000F);
    EXPECT_EQ(controls::background(w.client).name(), colour.name());
    EXPECT_EQ(decorationsShown(), c.decorations);
    EXPECT_EQ(QFileInfo::exists(platform.settingsPath), c.flags != nullptr);
    EXPECT_EQ(settingsBytes(), bytes);
}

INSTANTIATE_TEST_SUITE_P(Files, StartupSettings, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A hand-edited file with Default and Neon both checked: the main window starts
// dark blue with its decorations, the other windows take the last one, Neon.
TEST_F(Startup, DarkBlueWinsTheMainWindowTheLastCheckedSchemeTheOthers) {
    writeSettings({QString(), "True", "False", "False", "False", "True", "False", "True"});
    start();
    EXPECT_EQ(controls::background(main().client), QColor(0, 0, 192));
    EXPECT_TRUE(decorationsShown());
    EXPECT_EQ(controls::background(&forms->fullView()), QColor(0, 255, 0));
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

    advance(10);  // the view's selection tick: no picture, so the picture box
    EXPECT_TRUE(view.isVisible());
    EXPECT_FALSE(view.picFullScr->isHidden());

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
    advance(10000);
    EXPECT_FALSE(splash.isVisible());
}

TEST_F(Startup, EveryExitPathEndsAtOnceWithoutSaving) {
    const std::function<void()> exits[] = {
        [this] { main().cmdExit_Click(); },
        [this] { QTest::keyClick(main().filPic, Qt::Key_Escape); },
        [this] { main().mnuFileExit->action()->trigger(); },
        [this] { main().close(); },
    };
    for (const auto& exit : exits) {
        forms.reset();
        endCount = 0;
        start();
        main().mnuOptViewRnd->setChecked(true);  // a change that is not saved
        exit();
        EXPECT_EQ(endCount, 1);
        EXPECT_TRUE(forms->ended());
        EXPECT_FALSE(main().isVisible());
        EXPECT_FALSE(QFileInfo::exists(platform.settingsPath));
    }
}

TEST_F(Startup, TheButtonFaceSchemeFollowsTheSystemColours) {
    writeSettings({QString(), "False", "True", "False", "False", "False", "False", "True"});
    start();
    const QPalette before = QApplication::palette();
    const QColor builtBox = controls::background(forms->fullView().picFullScr);
    QPalette changed = before;
    changed.setColor(QPalette::Button, QColor(10, 120, 200));
    QApplication::setPalette(changed);
    EXPECT_EQ(controls::background(main().client), QColor(10, 120, 200));
    EXPECT_EQ(controls::background(&forms->fullView()), QColor(10, 120, 200));
    EXPECT_EQ(controls::background(forms->fullView().picFullScr), builtBox);
    QApplication::setPalette(before);
    EXPECT_EQ(controls::background(main().client), before.color(QPalette::Button));
}

// A message raised during the splash phase (a picture given on the command line
// that does not load) comes up in front of the splash with the focus, also when
// the splash raises itself meanwhile; the splash keeps the front again after it.
TEST_F(Startup, AMessageDuringTheSplashPhaseComesInFrontOfTheSplash) {
    start();
    FrmSplash& splash = forms->splash();
    ASSERT_TRUE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Picture Not Loaded"),
                    QStringLiteral("The picture cannot be shown."));
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    advance(100);  // the splash's own raising
    settle();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_FALSE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &box; }));
    box.hide();
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(splash.isVisible());
}
