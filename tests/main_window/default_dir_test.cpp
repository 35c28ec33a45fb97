#include "support/fakes/app_fixture.h"

#include <QFile>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

class DefaultDirectory : public AppFixture {};

TEST_F(DefaultDirectory, SaveWritesTheOpenFolderAndHidesTheFrame) {
    const QString pics = folder(QStringLiteral("pics"));
    start();
    FrmImage& w = main();
    openFolder(pics);
    w.mnuOptDefDir_Click();
    EXPECT_FALSE(w.frmDefault->isHidden());
    EXPECT_TRUE(w.txtDefault->text().isEmpty());
    w.txtDefault->setText(QStringLiteral("/typed/by/hand"));
    QTest::mouseClick(w.cmdCDefault, Qt::LeftButton);
    EXPECT_TRUE(w.frmDefault->isHidden());
    EXPECT_EQ(w.txtDefault->text(), pics);
    EXPECT_EQ(w.txtDefault->tag, pics);
    EXPECT_EQ(
        settingsBytes(),
        (pics + "\r\nTrue\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nFalse\r\nTrue\r\n").toUtf8());
    EXPECT_EQ(w.dirPic->path(), pics);

    // The next start opens it.
    forms.reset();
    start();
    EXPECT_EQ(main().dirPic->path(), pics);

    // The root keeps its separator.
    openFolder(QStringLiteral("/"));
    main().cmdCDefault_Click();
    EXPECT_TRUE(settingsBytes().startsWith("/\r\nTrue\r\n"));
}

TEST_F(DefaultDirectory, AnUnsavedEditIsDroppedWhenTheFrameOpensAgain) {
    start();
    FrmImage& w = main();
    w.mnuOptDefDir_Click();
    w.txtDefault->setText(QStringLiteral("/typed"));
    w.cmdHide_Click();
    EXPECT_TRUE(w.frmDefault->isHidden());
    EXPECT_EQ(w.txtDefault->text(), QStringLiteral("/typed"));  // stays while hidden
    EXPECT_EQ(w.currentSettings().defaultDirectory, QStringLiteral("/typed"));
    w.mnuOptDefDir_Click();
    EXPECT_TRUE(w.txtDefault->text().isEmpty());
    w.mnuOptDefDir_Click();
    EXPECT_TRUE(w.txtDefault->text().isEmpty());
    EXPECT_TRUE(settingsBytes().isEmpty());  // neither Hide nor the menu writes
}
