#include "platform/qt/qt_help.h"
#include "platform/qt/qt_system.h"
#include "support/fakes/app_fixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <QTextBrowser>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

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

class HelpCommand : public AppFixture {};

TEST_F(HelpCommand, F1AndTheMenuOpenTheContentsOfTheHelpFile) {
    start();
    main().activateWindow();
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

TEST_F(HelpCommand, TheShippedHelpExplainsEveryCommand) {
    start();
    platform::QtHelp viewer({QStringLiteral(PLENARVO_HELP_DIR)});
    viewer.open(&main(), kHelpFile, platform::kHelpContents, 0);
    ASSERT_NE(viewer.window(), nullptr);
    EXPECT_TRUE(viewer.window()->isVisible());
    EXPECT_EQ(viewer.window()->source().fileName(), QStringLiteral("Plenarvo Viewer Help.html"));
    const QString text = viewer.window()->toPlainText().simplified();

    QStringList commands;
    for (QAction* menu : main().menuBar->actions()) {
        collectCaptions(menu->menu(), commands);
    }
    for (const QAbstractButton* button : main().findChildren<QAbstractButton*>()) {
        commands << button->text().remove(u'&').simplified();
    }
    commands << QStringLiteral("System Info...") << QStringLiteral("OK");
    EXPECT_GT(commands.size(), 20);
    for (const QString& command : commands) {
        EXPECT_TRUE(text.contains(command, Qt::CaseInsensitive)) << command.toStdString();
    }
}

TEST(HelpWindow, FindsTheHelpInTheFirstFolderThatHasItAndReportsAMissingOne) {
    QTemporaryDir a;
    QTemporaryDir b;
    QFile page(b.filePath(QStringLiteral("Plenarvo Viewer Help.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><head><title>Found</title></head><body><p>Topic</p></body></html>");
    page.close();

    platform::QtHelp viewer({a.path(), b.path()});
    EXPECT_EQ(viewer.locate(kHelpFile), page.fileName());
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
    auto install = [&](const QString& name) {
        QFile tool(bin.filePath(name));
        ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\n");
        tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner);
    };
    platform::SystemRegistry registry({bin.path()});
    const auto root = platform::kHkeyLocalMachine;
    const QString msinfo = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    platform::RegistryKey key = 0;
    EXPECT_EQ(registry.openKey(root, msinfo, platform::kKeyAllAccess, &key),
              platform::kErrorFileNotFound);

    install(QStringLiteral("lshw-gtk"));
    install(QStringLiteral("kinfocenter"));
    ASSERT_EQ(registry.openKey(root, msinfo, platform::kKeyAllAccess, &key),
              platform::kErrorSuccess);
    QByteArray buffer(1024, '\0');
    std::uint32_t type = 0;
    std::uint32_t size = 1024;
    ASSERT_EQ(registry.queryValue(key, QStringLiteral("PATH"), &type, buffer, &size),
              platform::kErrorSuccess);
    EXPECT_EQ(type, platform::kRegSz);
    EXPECT_EQ(buffer.left(size), bin.filePath(QStringLiteral("kinfocenter")).toLocal8Bit() + '\0');
    EXPECT_EQ(registry.closeKey(key), platform::kErrorSuccess);
    EXPECT_EQ(registry.openKey(root, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                               platform::kKeyAllAccess, &key),
              platform::kErrorFileNotFound);
}
