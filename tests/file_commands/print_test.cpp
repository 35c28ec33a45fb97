#include "file_commands/printed_pages.h"
#include "support/fakes/app_fixture.h"

#include <QDir>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::inkBox;
using plenarvo::testing::renderJob;

class Print : public AppFixture {
protected:
    void SetUp() override {
        if (QStringLiteral(PDFTOPPM).isEmpty()) {
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        }
        pics = folder(QStringLiteral("pics"));
        start();
    }
    // Previews a dark cyan picture whose top left 20 x 10 pixels are red.
    void preview(QSize size) {
        const QImage image = plenarvo::testing::markedPicture(size);
        const QString path = QDir(pics).filePath(QStringLiteral("p.bmp"));
        ASSERT_TRUE(image.save(path));
        QString error;
        ASSERT_TRUE(main().loadPreview(path, QStringLiteral("p.bmp"), &error));
    }
    void print(int copies) {
        printer.copies = copies;
        main().mnuFilePrint->action()->trigger();
    }
    // The printable area in dots at 96 to the inch.
    QRect printable() const {
        const QRectF points = printer.layout.paintRect(QPageLayout::Point);
        return QRectF(points.topLeft() * 96 / 72, points.size() * 96 / 72).toRect();
    }
    // The one page of a job.
    QImage onlyPage(const QString& job) {
        const QList<QImage> pages = renderJob(job);
        EXPECT_EQ(pages.size(), 1) << job.toStdString();
        return pages.value(0);
    }
    // Whether two boxes agree to a dot at each edge (edges fall between dots).
    static void expectNear(const QRect& a, const QRect& b) {
        EXPECT_NEAR(a.left(), b.left(), 1);
        EXPECT_NEAR(a.top(), b.top(), 1);
        EXPECT_NEAR(a.right(), b.right(), 1);
        EXPECT_NEAR(a.bottom(), b.bottom(), 1);
    }
    QString pics;
};

TEST_F(Print, EachCopyIsAOnePageJobWithThePictureAtItsOwnSizeTopLeft) {
    print(1);  // before any preview: the start picture, within its own size
    ASSERT_EQ(printer.jobs.size(), 1);
    const QRect start = inkBox(onlyPage(printer.jobs[0]));
    ASSERT_FALSE(start.isEmpty());
    EXPECT_TRUE(QRect(printable().topLeft(), FrmImage::startPicture().size())
                    .adjusted(-1, -1, 1, 1)
                    .contains(start));
    EXPECT_GT(start.width(), 600);

    preview({40, 30});
    print(3);
    ASSERT_EQ(printer.jobs.size(), 4);
    for (const QString& job : printer.jobs.mid(1)) {
        const QImage page = onlyPage(job);
        expectNear(inkBox(page), QRect(printable().topLeft(), QSize(40, 30)));
        expectNear(inkBox(page, true), QRect(printable().topLeft(), QSize(20, 10)));
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Print, APictureLargerThanThePageIsCutAtItsEdgesNeverShrunk) {
    preview({1200, 1600});
    print(1);
    ASSERT_EQ(printer.jobs.size(), 1);
    const QImage page = onlyPage(printer.jobs[0]);
    expectNear(inkBox(page), printable());
    expectNear(inkBox(page, true), QRect(printable().topLeft(), QSize(20, 10)));
}

TEST_F(Print, ACancelledDialogOrAFailedJobEndsTheCommandSilently) {
    preview({40, 30});
    print(0);
    EXPECT_EQ(printer.dialogTitles, QStringList{"Print"});
    EXPECT_TRUE(QDir(printer.folder).isEmpty());

    printer.failFromJob = 1;
    print(3);
    EXPECT_EQ(printer.jobs.size(), 1);  // the copy sent stays sent
    EXPECT_EQ(printer.attempts, 2);
    EXPECT_TRUE(messages.shown.isEmpty());
}
