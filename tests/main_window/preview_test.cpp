#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

class Preview : public AppFixture {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        writePicture(pics, QStringLiteral("a_tall.bmp"), {20, 300}, Qt::green);
        writePicture(pics, QStringLiteral("b_wide.jpg"), {600, 30}, Qt::blue);
        QFile bad(QDir(pics).filePath(QStringLiteral("c_broken.jpg")));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write("\xFF\xD8\xFF\xE0 this is not a photo");
        bad.close();
        writePicture(pics, QStringLiteral("d_gone.gif.bmp"), {8, 8});
        start();
        openFolder(pics);
    }
    QString pics;
};

TEST_F(Preview, NothingSelectedAsksForAPicture) {
    FrmImage& w = main();
    const QString label = w.lblImage->text();
    const pictures::Picture before = w.imgImage->picture();
    w.cmdShow_Click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("You must select a picture!"));
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("No File Selected"));
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
    EXPECT_EQ(w.lblImage->text(), label);
    EXPECT_TRUE(w.imgImage->picture() == before);
}

TEST_F(Preview, EveryPictureFillsTheBoxDecodedAtItsSize) {
    FrmImage& w = main();
    for (int row : {0, 1}) {
        w.filPic->setListIndex(row);
        w.cmdShow_Click();
        EXPECT_EQ(w.lblImage->text(), w.filPic->list(row));
        EXPECT_EQ(w.imgImage->shownImage().size(), w.imgImage->pixelSize());
    }
    EXPECT_EQ(w.imgImage->picture().size(), QSize(600, 30));
    // The wide blue picture is stretched over the whole box.
    const QImage shown = w.imgImage->shownImage();
    EXPECT_LT(qRed(shown.pixel(2, shown.height() - 3)), 40);
    EXPECT_GT(qBlue(shown.pixel(shown.width() - 3, 2)), 200);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Preview, EnterAndDoubleClickPreviewTheSelectedFile) {
    FrmImage& w = main();
    w.filPic->setFocus();
    w.filPic->setListIndex(0);
    QTest::keyClick(w.filPic, Qt::Key_Return);
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("a_tall.bmp"));

    const QRect r = w.filPic->visualItemRect(w.filPic->item(1));
    plenarvo::testing::doubleClick(w.filPic->viewport(), r.center());
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("b_wide.jpg"));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Preview, APictureThatCannotBeLoadedKeepsThePreviousOne) {
    FrmImage& w = main();
    w.filPic->setListIndex(0);
    w.cmdShow_Click();
    const pictures::Picture good = w.imgImage->picture();

    w.filPic->setListIndex(2);  // damaged
    w.cmdShow_Click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("c_broken.jpg")));
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("a_tall.bmp"));
    EXPECT_TRUE(w.imgImage->picture() == good);

    // Deleted after the list was filled.
    ASSERT_TRUE(QFile::remove(QDir(pics).filePath(QStringLiteral("d_gone.gif.bmp"))));
    w.filPic->setListIndex(3);
    w.cmdShow_Click();
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("d_gone.gif.bmp")));
    EXPECT_EQ(w.lblImage->text(), QStringLiteral("a_tall.bmp"));
}
