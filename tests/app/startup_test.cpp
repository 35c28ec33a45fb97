#include "about/frm_splash.h"
#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <array>
#include <optional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

// The seven menu check marks in the order of the settings file's flag lines.
using Checks = std::array<bool, 7>;
constexpr Checks kBuilt{true, false, false, false, false, false, true};
// The colour the window is built with (a system colour, known once the program runs).
QColor builtColour() {
    return controls::fromBgr(0x8000000F);
}

QByteArray lines(const QString& folder, const QStringList& flags) {
    QByteArray out = folder.toUtf8() + "\r\n";
    for (const QString& flag : flags) {
        out += flag.toUtf8() + "\r\n";
    }
    return out;
}

// A settings file and what the program starts with from it. Nothing it holds ever
// stops the start or shows a message. (Which files the reader refuses, and where
// it stops, is the settings file's own test.)
struct SettingsCase {
    const char* name;
    // The file's bytes, or none for no file; `pics` is a folder holding one picture.
    std::function<std::optional<QByteArray>(const QString& pics)> bytes;
    bool folderOpened;           // the default folder was applied and opened
    Checks checks;               // the menu's check marks after start-up
    std::optional<QRgb> colour;  // its written colour; none: the system's button face
    bool decorations;            // panels and divider shown
};

void PrintTo(const SettingsCase& c, std::ostream* out) {
    *out << c.name;
}

const SettingsCase kCases[] = {
    {"NoFile", [](const QString&) { return std::nullopt; }, false, kBuilt, std::nullopt, true},
    {"TealAlone",
     [](const QString& p) {
         return lines(p, {"False", "False", "True", "False", "False", "False", "True"});
     },
     true,
     {false, false, true, false, false, false, true},
     qRgb(0, 192, 192),
     false},
    {"MissingFolderFallsBack",
     [](const QString& p) {
         return lines(p + "/gone", {"True", "False", "False", "False", "False", "False", "True"});
     },
     false, kBuilt, qRgb(0, 0, 192), true},
    // Neon set on line 6, then a bad view-order flag: no scheme applies.
    {"FormatErrorKeepsTheFlagsBefore",
     [](const QString& p) {
         return lines(p, {"false", "0", "0", "0", "-1", "perhaps", "False"});
     },
     true,
     {false, false, false, false, true, false, true},
     std::nullopt,
     true},
    // Neon, Teal and Putty checked: Putty is tested last.
    {"SeveralSchemesFollowTheLastInTestOrder",
     [](const QString&) {
         return lines({}, {"False", "True", "True", "False", "True", "TRUE", "true"});
     },
     false,
     {false, true, true, false, true, true, true},
     std::nullopt,
     false},
    {"AllSchemesOff",
     [](const QString&) {
         return lines({}, {"False", "False", "False", "False", "False", "False", "True"});
     },
     false,
     {false, false, false, false, false, false, true},
     std::nullopt,
     false},
    // A whole good record at its start, in a file far larger than a settings file.
    {"Huge",
     [](const QString& p) {
         QByteArray out = lines(p, {"False", "False", "True", "False", "False", "False", "True"});
         while (out.size() < 4 * 1024 * 1024) {
             out += "True\r\n";
         }
         return out;
     },
     false, kBuilt, std::nullopt, true},
    {"NulInTheFolder",
     [](const QString& p) {
         return p.toUtf8() + QByteArray("\0x\r\n", 4) +
                lines({}, {"False", "False", "False", "False", "True", "False", "True"}).mid(2);
     },
     false,
     {false, false, false, false, true, false, true},
     qRgb(0, 255, 0),
     false},
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
    writePicture(pics, QStringLiteral("c.png"), {8, 8});  // not a listed kind
    const std::optional<QByteArray> bytes = c.bytes(pics);
    if (bytes) {
        QDir().mkpath(QFileInfo(platform.settingsPath).absolutePath());
        ASSERT_TRUE(plenarvo::testing::writeBytes(platform.settingsPath, *bytes));
    }
    start();
    advance(3000);
    FrmImage& w = main();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMaximized());
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_EQ(w.dirPic->path(), c.folderOpened ? pics : QDir::cleanPath(platform.fallbackFolder));
    EXPECT_EQ(w.filPic->path(), w.dirPic->path());
    if (c.folderOpened) {
        EXPECT_EQ(w.txtDefault->text(), pics);
        EXPECT_EQ(w.txtDefault->tag, pics);
        EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("2"));
        EXPECT_EQ(w.filPic->list(0), QStringLiteral("A.BMP"));
        EXPECT_EQ(w.filPic->listIndex(), -1);
    } else {
        EXPECT_EQ(w.txtFileCount->text(), QStringLiteral("0"));
    }
    const Checks checks{w.mnuOptBacGrnDef->checked(),    w.mnuOptBacGrnPut->checked(),
                        w.mnuOptBacGrnLitBlu->checked(), w.mnuOptBacGrnPur->checked(),
                        w.mnuOptBacGrnGre->checked(),    w.mnuOptViewRnd->checked(),
                        w.mnuOptViewCon->checked()};
    EXPECT_EQ(checks, c.checks);
    EXPECT_EQ(controls::background(w.client), c.colour ? QColor(*c.colour) : builtColour());
    EXPECT_EQ(decorationsShown(), c.decorations);
    EXPECT_EQ(QFileInfo::exists(platform.settingsPath), bytes.has_value());
    if (bytes) {
        EXPECT_EQ(settingsBytes(), *bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, StartupSettings, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SettingsCase>& info) {
                             return std::string(info.param.name);
                         });

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
    EXPECT_EQ(splash.lblVersion->text(), QStringLiteral("Version 2.1.1"));
    EXPECT_EQ(splash.lblProductName->text(), QStringLiteral("Plenarvo"));
#ifdef Q_OS_LINUX
    EXPECT_EQ(splash.lblPlatform->text(), QStringLiteral("For Linux"));
#endif

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
