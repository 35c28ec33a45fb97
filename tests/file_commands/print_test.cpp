// Printing from the File menu. Each job is a PDF file, read back with pdftoppm
// at 96 dots to the inch, where one picture pixel (15 twips) is one dot.

#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>

#include <algorithm>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

// A printed job as pdftoppm renders it: one image per page; none when it cannot be read.
QList<QImage> renderJob(const QString& pdf) {
    QList<QImage> pages;
    const QFileInfo info(pdf);
    const QString prefix = QDir(info.path()).filePath(info.completeBaseName() + "-page");
    if (QProcess::execute(QStringLiteral(PDFTOPPM), {"-r", "96", "-png", pdf, prefix}) != 0) {
        return pages;
    }
    const QString pattern = QFileInfo(prefix).fileName() + "-*.png";
    for (const QString& name : QDir(info.path()).entryList({pattern}, QDir::Files, QDir::Name)) {
        pages.append(
            QImage(QDir(info.path()).filePath(name)).convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

// The box of the red pixels, or with `redOnly` false, of every pixel not white.
QRect inkBox(const QImage& page, bool redOnly = false) {
    QRect box;
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = line[x];
            const bool red = qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            if (redOnly ? red : std::min({qRed(p), qGreen(p), qBlue(p)}) < 245) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Whether two boxes agree to a dot at each edge (edges fall between dots).
void expectNear(const QRect& got, const QRect& want) {
    EXPECT_NEAR(got.left(), want.left(), 1);
    EXPECT_NEAR(got.top(), want.top(), 1);
    EXPECT_NEAR(got.right(), want.right(), 1);
    EXPECT_NEAR(got.bottom(), want.bottom(), 1);
}

// A picture of the given size, dark cyan, its top left 20 x 10 pixels red.
QImage markedPicture(QSize size) {
    QImage image = plenarvo::testing::solid(size, Qt::darkCyan);
    QPainter(&image).fillRect(0, 0, 20, 10, Qt::red);
    return image;
}

}  // namespace

class Print : public AppFixture {
protected:
    void SetUp() override {
        if (QStringLiteral(PDFTOPPM).isEmpty()) {
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        }
        start();
    }
    // Previews a marked picture of the given size.
    void preview(QSize size) {
        const QString path = QDir(folder(QStringLiteral("pics"))).filePath(QStringLiteral("p.bmp"));
        ASSERT_TRUE(markedPicture(size).save(path));
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

// At the PDF engine's own resolution and at a printer's lower one: the page is
// drawn in the printer's dots, whatever their size.
TEST_F(Print, EachCopyIsAJobWithThePictureAtItsOwnSizeTopLeftCutAtThePageEdge) {
    for (const int dpi : {1200, 300}) {
        SCOPED_TRACE(dpi);
        printer.resolution = dpi;
        // Before any preview: the start picture, within its own size.
        if (dpi == 1200) {
            const QList<QImage> start = print(1);
            ASSERT_EQ(start.size(), 1);
            const QRect ink = inkBox(start[0]);
            EXPECT_TRUE(QRect(printable().topLeft(), FrmImage::startPicture().size())
                            .adjusted(-1, -1, 1, 1)
                            .contains(ink));
            EXPECT_GT(ink.width(), 600);
        }
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
