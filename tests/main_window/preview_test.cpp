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

// Nothing selected, a damaged file and one deleted after the list was read: each
// is told, and the preview keeps its picture and the label its name.
TEST_F(Preview, APictureThatCannotBeShownIsToldAndThePreviousOneStays) {
    FrmImage& w = main();
    w.filPic->setListIndex(0);
    w.cmdShow_Click();
    const pictures::Picture good = w.imgImage->picture();
    ASSERT_TRUE(QFile::remove(QDir(pics).filePath(QStringLiteral("d_gone.gif.bmp"))));
    const struct {
        int row;
        const char* text;  // a piece of the message
        const char* title;
    } cases[] = {
        {-1, "You must select a picture!", "No File Selected"},
        {2, "c_broken.jpg", "Picture Not Loaded"},
        {3, "d_gone.gif.bmp", "Picture Not Loaded"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        messages.shown.clear();
        w.filPic->setListIndex(c.row);
        w.cmdShow_Click();
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_TRUE(messages.shown[0].text.contains(QString::fromLatin1(c.text)));
        EXPECT_EQ(messages.shown[0].title, QString::fromLatin1(c.title));
        EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Exclamation);
        EXPECT_EQ(w.lblImage->text(), QStringLiteral("a_tall.bmp"));
        EXPECT_TRUE(w.imgImage->picture() == good);
    }
}
