#include "about/frm_about.h"
#include "about/frm_splash.h"
#include "platform/qt/qt_help.h"
#include "platform/qt/qt_system.h"
#include "support/fakes/app_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::writeFile;

namespace {

const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
const QString kHelpFile = QStringLiteral("Plenarvo Viewer Help.hlp");

// Every command caption of a menu and its submenus, without the access-key marks.
void collectCaptions(const QMenu* menu, QStringList& out) {
    for (const QAction* action : menu->actions()) {
        if (action->menu()) {
            collectCaptions(action->menu(), out);
        } else if (!action->isSeparator()) {
            out << action->text().remove(u'&').simplified();
        }
    }
}

}  // namespace

class About : public AppFixture {
protected:
    void SetUp() override {
        start();
        tools = folder(QStringLiteral("tools"));
    }
    FrmAbout& openAbout() {
        main().mnuHelpAbout->action()->trigger();
        return forms->about();
    }
    bool aboutOpen() const { return forms->isLoaded(Window::About); }
    QString tools;
};

TEST_F(About, TheSplashAndTheAboutBoxNameTheProgramAndItsVersion) {
    FrmSplash& splash = forms->splash();
    FrmAbout& about = openAbout();
    const std::pair<QString, const char*> captions[] = {
        {splash.lblProductName->text(), "Plenarvo"},
        {splash.lblVersion->text(), "Version " PLENARVO_VERSION},
        {splash.lblPlatform->text(), "For Linux"},
        {about.windowTitle(), "About Plenarvo"},
        {about.lblTitle->text(), "Plenarvo"},
    };
    for (const auto& [shown, written] : captions) {
        EXPECT_EQ(shown, QString::fromLatin1(written));
    }
    EXPECT_TRUE(about.cmdOK->isDefault());
    EXPECT_EQ(about.focusWidget(), about.cmdOK);
    EXPECT_EQ(about.cmdOK->nextInFocusChain(), about.picIcon);
    EXPECT_EQ(about.picIcon->nextInFocusChain(), about.cmdSysInfo);
}

TEST_F(About, ASecondOpeningOnlyBringsUpTheSameModelessBox) {
    FrmAbout& first = openAbout();
    first.lblVersion->setText(QStringLiteral("marked"));  // a reload would put the version back
    QTest::mouseClick(main().picIcon, Qt::LeftButton);    // the logo opens it too
    FrmAbout& second = forms->about();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(second.lblVersion->text(), QStringLiteral("marked"));
    EXPECT_TRUE(second.isVisible());
    EXPECT_FALSE(second.isModal());
}

TEST_F(About, OkEnterAndEscCloseItAndTheNextOpeningLoadsItAfresh) {
    const std::function<void(FrmAbout&)> closes[] = {
        [](FrmAbout& a) { QTest::mouseClick(a.cmdOK, Qt::LeftButton); },
        [](FrmAbout& a) { QTest::keyClick(a.cmdOK, Qt::Key_Escape); },
        [](FrmAbout& a) {
            a.picIcon->setFocus();
            QTest::keyClick(a.picIcon, Qt::Key_Return);
        },
    };
    for (const auto& close : closes) {
        FrmAbout& about = openAbout();
        EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version " PLENARVO_VERSION));
        close(about);
        EXPECT_FALSE(aboutOpen());
        settle();
    }
    // Enter on System Info starts the lookup instead, and the box stays.
    FrmAbout& about = openAbout();
    about.cmdSysInfo->setFocus();
    QTest::keyClick(about.cmdSysInfo, Qt::Key_Return);
    EXPECT_TRUE(aboutOpen());
    EXPECT_EQ(messages.texts(), QStringList{kUnavailable});
}

// System Info through the registry the program runs on: the first system
// information program on the path is started, else the box says it is unavailable.
TEST_F(About, SystemInfoStartsTheSystemInformationProgramOnThePathOrSaysItIsUnavailable) {
    for (const bool installed : {true, false}) {
        SCOPED_TRACE(installed);
        QTemporaryDir bin;
        for (const char* tool : {"lshw-gtk", "kinfocenter"}) {
            if (installed) {
                const QString path = writeFile(bin.filePath(QString::fromLatin1(tool)), "");
                QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
            }
        }
        platform::SystemRegistry system({bin.path()});
        platform.registry = &system;
        programs.started.clear();
        messages.shown.clear();
        QTest::mouseClick(openAbout().cmdSysInfo, Qt::LeftButton);
        EXPECT_EQ(programs.started,
                  installed ? QStringList{bin.filePath("kinfocenter")} : QStringList{});
        EXPECT_EQ(messages.texts(), installed ? QStringList{} : QStringList{kUnavailable});
        EXPECT_EQ(system.openKeys(), 0);
        EXPECT_TRUE(aboutOpen());
        platform.registry = &registry;
    }
}

TEST_F(About, F1AndTheMenuOpenTheContentsOfTheHelpFile) {
    QApplication::setActiveWindow(&main());
    QTest::keyClick(main().filPic, Qt::Key_F1);
    main().mnuHelpHelp->action()->trigger();
    ASSERT_EQ(help.calls.size(), 2);
    for (const auto& call : help.calls) {
        EXPECT_EQ(call.owner, &main());
        EXPECT_EQ(call.file, kHelpFile);
        EXPECT_EQ(call.command, platform::kHelpContents);
        EXPECT_EQ(call.data, 0u);
    }
}

TEST_F(About, TheShippedHelpExplainsEveryCommand) {
    platform::QtHelp viewer({QStringLiteral(PLENARVO_HELP_DIR)});
    viewer.open(&main(), kHelpFile, platform::kHelpContents, 0);
    ASSERT_NE(viewer.window(), nullptr);
    EXPECT_TRUE(viewer.window()->isVisible());
    EXPECT_EQ(viewer.window()->source().fileName(), QStringLiteral("Plenarvo Viewer Help.html"));
    const QString text = viewer.window()->toPlainText().simplified();
    QStringList commands{QStringLiteral("System Info..."), QStringLiteral("OK")};
    for (QAction* menu : main().menuBar->actions()) {
        collectCaptions(menu->menu(), commands);
    }
    for (const QAbstractButton* button : main().findChildren<QAbstractButton*>()) {
        commands << button->text().remove(u'&').simplified();
    }
    EXPECT_GT(commands.size(), 20);
    for (const QString& command : commands) {
        EXPECT_TRUE(text.contains(command, Qt::CaseInsensitive)) << command.toStdString();
    }
}

TEST(HelpWindow, FindsTheHelpInTheFirstFolderThatHasItAndReportsAMissingOne) {
    QTemporaryDir a;
    QTemporaryDir b;
    const QString page = b.filePath(QStringLiteral("Plenarvo Viewer Help.html"));
    writeFile(page, "<html><head><title>Found</title></head><body><p>Topic</p></body></html>");
    platform::QtHelp viewer({a.path(), b.path()});
    EXPECT_EQ(viewer.locate(kHelpFile), page);
    EXPECT_EQ(viewer.locate(QStringLiteral("Other.hlp")), QString());
    viewer.open(nullptr, kHelpFile, platform::kHelpContents, 0);
    EXPECT_EQ(viewer.window()->windowTitle(), QStringLiteral("Found"));

    platform::QtHelp lost({a.path()});
    lost.open(nullptr, kHelpFile, platform::kHelpContents, 0);
    ASSERT_NE(lost.window(), nullptr);
    EXPECT_TRUE(lost.window()->isVisible());
    const QString report = lost.window()->toPlainText();
    EXPECT_TRUE(report.contains(kHelpFile));
    EXPECT_TRUE(report.contains(QDir::toNativeSeparators(a.path())));
}
