#include "about/frm_about.h"
#include "platform/core/registry.h"
#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

const QString kMsinfo = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocation = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");
constexpr auto kHklm = platform::kHkeyLocalMachine;

}  // namespace

class About : public AppFixture {
protected:
    void SetUp() override { start(); }
    FrmAbout& openAbout() {
        main().mnuHelpAbout->action()->trigger();
        return forms->about();
    }
    bool aboutOpen() const { return forms->isLoaded(Window::About); }
};

TEST_F(About, ShowsTheTitleAndVersionWithOkAsDefault) {
    FrmAbout& about = openAbout();
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Plenarvo"));
    EXPECT_EQ(about.lblTitle->text(), QStringLiteral("Plenarvo"));
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version 2.1.1"));
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
    QTest::mouseClick(openAbout().cmdOK, Qt::LeftButton);
    EXPECT_FALSE(aboutOpen());
    settle();

    FrmAbout& again = openAbout();
    EXPECT_EQ(again.lblVersion->text(), QStringLiteral("Version 2.1.1"));
    QTest::keyClick(again.cmdOK, Qt::Key_Escape);
    EXPECT_FALSE(aboutOpen());
    settle();

    openAbout().picIcon->setFocus();
    QTest::keyClick(forms->about().picIcon, Qt::Key_Return);
    EXPECT_FALSE(aboutOpen());
    settle();

    // Enter on System Info starts the lookup instead, and the box stays.
    FrmAbout& third = openAbout();
    third.cmdSysInfo->setFocus();
    QTest::keyClick(third.cmdSysInfo, Qt::Key_Return);
    EXPECT_TRUE(aboutOpen());
    EXPECT_EQ(messages.texts(), QStringList{kUnavailable});
}

TEST_F(About, OnlyThePathEntryIsUsedWhenPresentEvenForAMissingProgram) {
    registry.setString(kHklm, kMsinfo, QStringLiteral("PATH"), QStringLiteral("/nowhere/msinfo"));
    registry.setString(kHklm, kLocation, QStringLiteral("MSINFO"), folder(QStringLiteral("tools")));
    QFile(folder(QStringLiteral("tools")) + QStringLiteral("/MSINFO32.EXE"))
        .open(QIODevice::WriteOnly);
    QTest::mouseClick(openAbout().cmdSysInfo, Qt::LeftButton);

    EXPECT_EQ(programs.started, QStringList{"/nowhere/msinfo"});
    ASSERT_EQ(registry.opened.size(), 1);
    EXPECT_EQ(registry.opened[0].root, 0x80000002u);
    EXPECT_EQ(registry.opened[0].key, kMsinfo);
    EXPECT_EQ(registry.opened[0].access, 0x2003Fu);
    EXPECT_EQ(registry.openKeys(), 0);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, kUnavailable);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("Plenarvo"));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::None);
    EXPECT_TRUE(aboutOpen());
}

TEST_F(About, TheLocationEntryNeedsMsinfo32InItsFolder) {
    const QString tools = folder(QStringLiteral("tools"));
    registry.setString(kHklm, kLocation, QStringLiteral("MSINFO"), tools);
    FrmAbout& about = openAbout();
    about.StartSysInfo();
    EXPECT_TRUE(programs.started.isEmpty());
    EXPECT_EQ(messages.texts(), QStringList{kUnavailable});

    // A folder of that name is no program; a file is.
    QDir(tools).mkdir(QStringLiteral("MSINFO32.EXE"));
    about.StartSysInfo();
    EXPECT_TRUE(programs.started.isEmpty());
    QDir(tools).rmdir(QStringLiteral("MSINFO32.EXE"));
    QFile(tools + QStringLiteral("/MSINFO32.EXE")).open(QIODevice::WriteOnly);
    about.StartSysInfo();
    EXPECT_EQ(programs.started, QStringList{tools + QStringLiteral("/MSINFO32.EXE")});
    EXPECT_EQ(messages.shown.size(), 2);

    // A first key that refuses the access asked for counts as missing.
    registry.setString(kHklm, kMsinfo, QStringLiteral("PATH"), QStringLiteral("/refused"));
    registry.refused = QStringList{kMsinfo};
    about.StartSysInfo();
    EXPECT_EQ(programs.started.last(), tools + QStringLiteral("/MSINFO32.EXE"));
    EXPECT_EQ(registry.openKeys(), 0);
}

TEST_F(About, GetKeyValueKeepsTheTextUpToAClosingNulAndReadsNumbers) {
    FrmAbout& about = openAbout();
    std::uint32_t root = kHklm;
    QString key = QStringLiteral("k");
    auto read = [&](const platform::MemoryRegistry::Value& value,
                    QString in = QStringLiteral("before")) {
        registry.setValue(kHklm, key, QStringLiteral("v"), value);
        QString name = QStringLiteral("V");  // names match without regard to case
        const bool found = about.GetKeyValue(root, key, name, in);
        return found ? in : QStringLiteral("<not found: %1>").arg(in);
    };
    EXPECT_EQ(read({1, QByteArray("abc\0", 4)}), QStringLiteral("abc"));
    EXPECT_EQ(read({1, QByteArray("abc")}), QStringLiteral("abc"));
    EXPECT_EQ(read({1, QByteArray("a\0c", 3)}), QString::fromLatin1("a\0c", 3));
    EXPECT_EQ(read({1, QByteArray()}), QString());
    EXPECT_EQ(read({1, QByteArray(1024, 'p')}), QString(1024, u'p'));
    EXPECT_EQ(read({4, QByteArray("\x10\x27\0\0", 4)}), QStringLiteral("10000"));
    EXPECT_EQ(read({4, QByteArray("\0\x01\0\0", 4)}), QStringLiteral("256"));
    EXPECT_EQ(read({7, QByteArray("x\0", 2)}), QStringLiteral("before"));
    EXPECT_EQ(read({1, QByteArray(1025, 'p')}), QStringLiteral("<not found: >"));
    QString name = QStringLiteral("v");
    QString value = QStringLiteral("before");
    QString absent = QStringLiteral("absent");
    EXPECT_FALSE(about.GetKeyValue(root, absent, name, value));
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(registry.openKeys(), 0);

    // Odd PATH values end in the one message: another type gives no text, so
    // the start fails; a value too long for the buffer is not read.
    registry.setValue(kHklm, kMsinfo, QStringLiteral("PATH"), {3, QByteArray("/bin/true\0", 10)});
    about.StartSysInfo();
    EXPECT_EQ(programs.started, QStringList{QString()});
    registry.setValue(kHklm, kMsinfo, QStringLiteral("PATH"),
                      {platform::kRegSz, QByteArray(1025, 'a')});
    about.StartSysInfo();
    EXPECT_EQ(programs.started.size(), 1);
    EXPECT_EQ(messages.texts(), QStringList(2, kUnavailable));
}
