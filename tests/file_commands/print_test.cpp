#include "pdf_page.h"
#include "support/fakes/app_fixture.h"

#include <QDir>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::PdfFile;

namespace {

constexpr double kPointsPerPixel = 72.0 / 96.0;  // a pixel is 15 twips, 1/96 inch

}  // namespace

class Print : public AppFixture {
protected:
    void SetUp() override {
        pics = folder(QStringLiteral("pics"));
        start();
    }
    void preview(const QString& name, QSize size) {
        writePicture(pics, name, size, Qt::darkCyan);
        QString error;
        ASSERT_TRUE(main().loadPreview(QDir(pics).filePath(name), name, &error));
    }
    void print(int copies) {
        printer.copies = copies;
        main().mnuFilePrint->action()->trigger();
    }
    // The printable area in points from the page's top left.
    QRectF printable() const { return printer.layout.paintRect(QPageLayout::Point); }
    // The one image of a job's one page.
    PdfFile::PlacedImage onlyImage(const QString& job) {
        const PdfFile pdf(job);
        EXPECT_TRUE(pdf.isValid()) << job.toStdString();
        EXPECT_EQ(pdf.pageCount(), 1);
        const auto images = pdf.images(0);
        EXPECT_EQ(images.size(), 1);
        return images.value(0);
    }
    QString pics;
};

TEST_F(Print, EachCopyIsAOnePageJobWithThePictureAtItsOwnSizeTopLeft) {
    print(1);  // before any preview: the start picture
    ASSERT_EQ(printer.jobs.size(), 1);
    EXPECT_EQ(onlyImage(printer.jobs[0]).pixels, FrmImage::startPicture().size());

    preview(QStringLiteral("a.bmp"), {40, 30});
    print(3);
    ASSERT_EQ(printer.jobs.size(), 4);
    for (const QString& job : printer.jobs.mid(1)) {
        const auto image = onlyImage(job);
        EXPECT_EQ(image.pixels, QSize(40, 30));
        EXPECT_NEAR(image.rect.left(), printable().left(), 1.0);
        EXPECT_NEAR(image.rect.top(), printable().top(), 1.0);
        EXPECT_NEAR(image.rect.width(), 40 * kPointsPerPixel, 0.05);
        EXPECT_NEAR(image.rect.height(), 30 * kPointsPerPixel, 0.05);
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Print, APictureLargerThanThePageIsCutAtItsEdgesNeverShrunk) {
    preview(QStringLiteral("big.bmp"), {1200, 1600});
    print(1);
    ASSERT_EQ(printer.jobs.size(), 1);
    const auto image = onlyImage(printer.jobs[0]);
    ASSERT_GT(image.pixels.width(), 0);
    EXPECT_LT(image.pixels.width(), 1200);
    EXPECT_LT(image.pixels.height(), 1600);
    EXPECT_NEAR(image.rect.width() / image.pixels.width(), kPointsPerPixel, 0.001);
    EXPECT_NEAR(image.rect.height() / image.pixels.height(), kPointsPerPixel, 0.001);
    EXPECT_NEAR(image.rect.left(), printable().left(), 1.0);
    EXPECT_NEAR(image.rect.top(), printable().top(), 1.0);
    // The last pixel column and row sent reach the printable area's far edges.
    EXPECT_NEAR(image.rect.right(), printable().right(), 1.0 + kPointsPerPixel);
    EXPECT_NEAR(image.rect.bottom(), printable().bottom(), 1.0 + kPointsPerPixel);
}

TEST_F(Print, ACancelledDialogOrAFailedJobEndsTheCommandSilently) {
    preview(QStringLiteral("a.bmp"), {40, 30});
    print(0);
    EXPECT_EQ(printer.dialogTitles, QStringList{"Print"});
    EXPECT_TRUE(QDir(printer.folder).isEmpty());

    printer.failFromJob = 1;
    print(3);
    EXPECT_EQ(printer.jobs.size(), 1);  // the copy sent stays sent
    EXPECT_EQ(printer.attempts, 2);
    EXPECT_TRUE(messages.shown.isEmpty());
}
