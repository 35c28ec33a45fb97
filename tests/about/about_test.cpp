#include "about/frm_about.h"
#include "about/frm_splash.h"
#include "platform/core/registry.h"
#include "platform/qt/qt_help.h"
#include "platform/qt/qt_system.h"
#include "support/fakes/app_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTextBrowser>

#include <functional>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::FakeRegistry;

namespace {

const QString kMsinfo = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocation = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
const QString kHelpFile = QStringLiteral("Plenarvo Viewer Help.hlp");
constexpr auto kHklm = platform::kHkeyLocalMachine;

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

void writeFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(plenarvo::testing::writeBytes(path, bytes));
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
        {splash.lblProductName->text(), "Plenarvo"}, {splash.lblVersion->text(), "Version 2.1.1"},
        {splash.lblPlatform->text(), "For Linux"},   {about.windowTitle(), "About Plenarvo"},
        {about.lblTitle->text(), "Plenarvo"},        {about.lblVersion->text(), "Version 2.1.1"},
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
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QWidget* w) { return qobject_cast<FrmAbout*>(w) != nullptr; }),
              1);
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
        EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 2.1.1"));
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

// System Info starts the program the registry names, or says it is unavailable.
TEST_F(About, SystemInfoStartsTheProgramTheRegistryNamesOrSaysItIsUnavailable) {
    const QString program = tools + QStringLiteral("/MSINFO32.EXE");
    const struct {
        const char* name;
        std::uint32_t pathType;  // the PATH entry's type; 0: none
        QByteArray path;
        bool refused;      // the PATH entry's key refuses the access asked
        bool location;     // the location entry names the tools folder
        char inTools;      // what the tools folder holds as MSINFO32.EXE: 'f'ile, 'd'irectory
        const char* ran;   // the one program started, %1 for the tools folder; nullptr: none
        bool unavailable;  // the message shown
        int keysOpened;
    } cases[] = {
        {"the PATH entry first, even for a missing program", 1, "/nowhere/msinfo", false, true, 'f',
         "/nowhere/msinfo", true, 1},
        {"a location folder without the program", 0, {}, false, true, ' ', nullptr, true, 2},
        {"a folder named as the program", 0, {}, false, true, 'd', nullptr, true, 2},
        {"the location's program, the PATH key refused", 1, "/refused", true, true, 'f',
         "%1/MSINFO32.EXE", false, 2},
        {"a PATH of another type gives no text", 3, QByteArray("/bin/true\0", 10), false, false,
         ' ', "", true, 1},
        {"a PATH too long for the buffer", 1, QByteArray(1025, 'a'), false, false, ' ', nullptr,
         true, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        registry = FakeRegistry();
        if (c.pathType != 0) {
            registry.setValue(kHklm, kMsinfo, QStringLiteral("PATH"), {c.pathType, c.path});
        }
        if (c.refused) {
            registry.refused = QStringList{kMsinfo};
        }
        if (c.location) {
            registry.setString(kHklm, kLocation, QStringLiteral("MSINFO"), tools);
        }
        ASSERT_TRUE(QDir(tools).removeRecursively() && QDir().mkpath(tools));
        if (c.inTools == 'f') {
            writeFile(program, "");
        } else if (c.inTools == 'd') {
            QDir(tools).mkdir(QStringLiteral("MSINFO32.EXE"));
        }
        programs.started.clear();
        messages.shown.clear();
        QTest::mouseClick(openAbout().cmdSysInfo, Qt::LeftButton);
        EXPECT_EQ(
            programs.started,
            c.ran ? QStringList{QString::fromLatin1(c.ran).replace("%1", tools)} : QStringList{});
        ASSERT_EQ(registry.opened.size(), c.keysOpened);
        EXPECT_EQ(registry.opened[0].root, 0x80000002u);
        EXPECT_EQ(registry.opened[0].key, kMsinfo);
        EXPECT_EQ(registry.opened[0].access, 0x2003Fu);
        EXPECT_EQ(registry.openKeys(), 0);
        ASSERT_EQ(messages.shown.size(), c.unavailable ? 1 : 0);
        if (c.unavailable) {
            EXPECT_EQ(messages.shown[0].text, kUnavailable);
            EXPECT_EQ(messages.shown[0].title, QStringLiteral("Plenarvo"));
            EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::None);
        }
        EXPECT_TRUE(aboutOpen());
    }
}

TEST_F(About, GetKeyValueKeepsTheTextUpToAClosingNulAndReadsNumbers) {
    FrmAbout& about = openAbout();
    const struct {
        std::uint32_t type;
        QByteArray bytes;
        bool found;
        QString value;  // "before": the value passed in is kept
    } cases[] = {
        {1, QByteArray("abc\0", 4), true, QStringLiteral("abc")},
        {1, QByteArray("abc"), true, QStringLiteral("abc")},
        {1, QByteArray("a\0c", 3), true, QString::fromLatin1("a\0c", 3)},
        {1, QByteArray(), true, QString()},
        {1, QByteArray(1024, 'p'), true, QString(1024, u'p')},
        {4, QByteArray("\x10\x27\0\0", 4), true, QStringLiteral("10000")},
        {4, QByteArray("\0\x01\0\0", 4), true, QStringLiteral("256")},
        {7, QByteArray("x\0", 2), true, QStringLiteral("before")},
        {1, QByteArray(1025, 'p'), false, QString()},  // too long to be read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.left(16).toStdString());
        registry.setValue(kHklm, QStringLiteral("k"), QStringLiteral("v"), {c.type, c.bytes});
        std::uint32_t root = kHklm;
        QString key = QStringLiteral("k");
        QString name = QStringLiteral("V");  // names match without regard to case
        QString value = QStringLiteral("before");
        EXPECT_EQ(about.GetKeyValue(root, key, name, value), c.found);
        EXPECT_EQ(value, c.value);
    }
    std::uint32_t root = kHklm;
    QString absent = QStringLiteral("absent");
    QString name = QStringLiteral("v");
    QString value = QStringLiteral("before");
    EXPECT_FALSE(about.GetKeyValue(root, absent, name, value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(registry.openKeys(), 0);
}

TEST_F(About, F1AndTheMenuOpenTheContentsOfTheHelpFile) {
    QApplication::setActiveWindow(&main());
    QTest::keyClick(main().filPic, Qt::Key_F1);
    main().mnuHelpHelp->action()->trigger();
    ASSERT_EQ(help.calls.size(), 2);
    for (const auto& call : help.calls) {
        EXPECT_EQ(call.owner, &main());
        EXPECT_EQ(call.file, kHelpFile);
        EXPECT_EQ(call.command, 3u);
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

TEST(SystemRegistry, NamesTheFirstSystemInformationProgramOnThePath) {
    QTemporaryDir bin;
    platform::SystemRegistry registry({bin.path()});
    platform::RegistryKey key = 0;
    EXPECT_EQ(registry.openKey(kHklm, kMsinfo, platform::kKeyAllAccess, &key),
              platform::kErrorFileNotFound);
    for (const char* tool : {"lshw-gtk", "kinfocenter"}) {
        QFile file(bin.filePath(QString::fromLatin1(tool)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    }
    ASSERT_EQ(registry.openKey(kHklm, kMsinfo, platform::kKeyAllAccess, &key),
              platform::kErrorSuccess);
    QByteArray buffer(1024, '\0');
    std::uint32_t type = 0;
    std::uint32_t size = 1024;
    ASSERT_EQ(registry.queryValue(key, QStringLiteral("PATH"), &type, buffer, &size),
              platform::kErrorSuccess);
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(buffer.left(size), bin.filePath(QStringLiteral("kinfocenter")).toLocal8Bit() + '\0');
    EXPECT_EQ(registry.closeKey(key), platform::kErrorSuccess);
    EXPECT_EQ(registry.openKey(kHklm, kLocation, platform::kKeyAllAccess, &key),
              platform::kErrorFileNotFound);
}
