#include "file_commands/printed_pages.h"
#include "support/fakes/app_fixture.h"

#include <QDir>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::expectNear;
using plenarvo::testing::inkBox;
using plenarvo::testing::renderJob;

class Print : public AppFixture {
protected:
    void SetUp() override {
        if (QStringLiteral(PDFTOPPM).isEmpty()) {
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        }
        start();
    }
    // Previews a dark cyan picture whose top left 20 x 10 pixels are red.
    void preview(QSize size) {
        const QString path = QDir(folder(QStringLiteral("pics"))).filePath(QStringLiteral("p.bmp"));
        ASSERT_TRUE(plenarvo::testing::markedPicture(size).save(path));
        QString error;
        ASSERT_TRUE(main().loadPreview(path, QStringLiteral("p.bmp"), &error));
    }
    // Prints from the File menu, the print dialog answering `copies`; the pages
    // of the jobs this sent, each job checked to be one page.
    QList<QImage> print(int copies) {
        const qsizetype before = printer.jobs.size();
        printer.copies = copies;
        main().mnuFilePrint->action()->trigger();
        QList<QImage> pages;
        for (const QString& job : printer.jobs.mid(before)) {
            const QList<QImage> rendered = renderJob(job);
            EXPECT_EQ(rendered.size(), 1) << job.toStdString();
            pages += rendered.mid(0, 1);
        }
        return pages;
    }
    // The printable area in dots at 96 to the inch.
    QRect printable() const {
        const QRectF points = printer.layout.paintRect(QPageLayout::Point);
        return QRectF(points.topLeft() * 96 / 72, points.size() * 96 / 72).toRect();
    }
};

TEST_F(Print, EachCopyIsAJobWithThePictureAtItsOwnSizeTopLeftCutAtThePageEdge) {
    // Before any preview: the start picture, within its own size.
    const QList<QImage> start = print(1);
    ASSERT_EQ(start.size(), 1);
    const QRect ink = inkBox(start[0]);
    EXPECT_TRUE(QRect(printable().topLeft(), FrmImage::startPicture().size())
                    .adjusted(-1, -1, 1, 1)
                    .contains(ink));
    EXPECT_GT(ink.width(), 600);

    struct Case {
        QSize picture;
        int copies;
    };
    // A picture larger than the page is cut at the printable area, never shrunk.
    for (const Case& c : {Case{{40, 30}, 3}, Case{{1200, 1600}, 1}}) {
        preview(c.picture);
        const QList<QImage> pages = print(c.copies);
        ASSERT_EQ(pages.size(), c.copies);
        for (const QImage& page : pages) {
            expectNear(inkBox(page), QRect(printable().topLeft(), c.picture) & printable());
            expectNear(inkBox(page, true), QRect(printable().topLeft(), QSize(20, 10)));
        }
    }
    EXPECT_TRUE(messages.shown.isEmpty());
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
