// Every file of the shared picture corpus, read the way the program reads it: its
// size, its look against the reference renderings, and damaged files refused with
// a reason.

#include "pictures/picture.h"
#include "pictures/wmf/player.h"
#include "pictures/wmf/wmf.h"

#include "support/corpus.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

using plenarvo::pictures::decodeScaled;
using plenarvo::pictures::Picture;
using plenarvo::testing::corpusDir;
using plenarvo::testing::CorpusRow;
using plenarvo::testing::meanDifference;
namespace wmf = plenarvo::pictures::wmf;

namespace {

// A bitmap, icon, GIF or JPEG: the stored size (a JPEG turned a quarter by its
// orientation tag shows with width and height swapped; Qt's reader is the oracle
// for the tag), and the closest reference of the decoded size.
void checkRaster(const CorpusRow& row, const QString& file, const QImage& image) {
    const bool turned = row.format == QLatin1String("jpeg") &&
                        QImageReader(file, "jpeg")
                            .transformation()
                            .testFlag(QImageIOHandler::TransformationRotate90);
    EXPECT_EQ(image.size(), turned ? row.size.transposed() : row.size);
    if (!QFileInfo::exists(file + QStringLiteral(".ref.png"))) {
        return;
    }
    std::optional<double> best;
    for (const char* suffix : {".ref.png", ".ref-alt1.png", ".ref-alt2.png", ".ref-alt3.png"}) {
        const QImage reference(file + QLatin1String(suffix));
        if (!reference.isNull() && reference.size() == image.size()) {
            const double d = meanDifference(image, reference, QColor(128, 128, 128));
            best = best ? std::min(*best, d) : d;
        }
    }
    ASSERT_TRUE(best.has_value()) << "no reference of the decoded size";
    // Lossless decoders agree almost exactly; JPEG decoders differ a little in
    // upsampling and rounding.
    EXPECT_LT(*best, row.format == QLatin1String("jpeg") ? 4.0 : 1.5);
}

// A metafile: its size from the placeable box the manifest notes (at 96 dpi where
// the manifest measures at 72), drawn whole by the budget, and compared with the
// references on white at 64x64, which forgives antialiasing, hinting and fonts. A
// blank picture scores 6 to 58, so the score must also stay under half of that.
void checkMetafile(const CorpusRow& row, const QString& file, QSize size) {
    static const QRegularExpression box(
        QStringLiteral(R"(bbox \((-?\d+),(-?\d+)\)-\((-?\d+),(-?\d+)\) at (\d+) units)"));
    const QSizeF at96 = QSizeF(row.size) * 96.0 / 72;
    const auto m = box.match(row.notes);
    if (m.hasMatch()) {
        const double upi = m.captured(5).toDouble();
        EXPECT_NEAR(size.width(), (m.captured(3).toInt() - m.captured(1).toInt()) * 96 / upi, 1);
        EXPECT_NEAR(size.height(), (m.captured(4).toInt() - m.captured(2).toInt()) * 96 / upi, 1);
        EXPECT_NEAR(size.width(), at96.width(), 2);
    } else {
        // Without a placeable header the size is the window's at 1440 units to the
        // inch; the manifest measured the drawing instead, so only roughly equal.
        EXPECT_NEAR(size.width(), at96.width(), at96.width() * 0.15);
        EXPECT_NEAR(size.height(), at96.height(), at96.height() * 0.15);
    }
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray data = in.readAll();
    // Real pictures are drawn whole: the drawing budget only stops hostile files.
    for (const QSize target : {size, QSize(95, 81)}) {
        wmf::PlayStats stats;
        EXPECT_FALSE(wmf::render(data, target, nullptr, &stats).isNull());
        EXPECT_FALSE(stats.stopped) << stats.spent;
    }
    const QImage ref(file + QStringLiteral(".ref.png"));
    if (ref.isNull()) {
        return;
    }
    const QImage drawn = wmf::render(data, ref.size());
    const QImage alt(file + QStringLiteral(".ref-alt1.png"));
    const QSize small(64, 64);
    const bool referencesDisagree =
        !alt.isNull() && meanDifference(ref, alt, Qt::white, small) > 10;
    QImage blank(ref.size(), QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    const double d = meanDifference(drawn, ref, Qt::white, small);
    EXPECT_LT(d, referencesDisagree ? 12 : 6);
    EXPECT_LT(d, meanDifference(blank, ref, Qt::white, small) / 2);
}

}  // namespace

TEST(Corpus, EveryFileMeetsItsExpectation) {
    const auto rows = plenarvo::testing::readCorpusManifest();
    if (rows.empty()) {
        GTEST_SKIP() << "no picture corpus at " << corpusDir().toStdString();
    }
    for (const CorpusRow& row : rows) {
        if (row.path.endsWith(u'/')) {
            continue;  // a folder named like a picture: the walk through the windows has it
        }
        SCOPED_TRACE(row.path.toStdString());
        const QString file = corpusDir() + u'/' + row.path;
        QString error;
        const Picture picture = Picture::fromFile(file, &error);
        const QImage image = picture.isNull() ? QImage() : picture.image(&error);
        QString thumbError;
        const QImage thumb = decodeScaled(file, QSize(95, 81), &thumbError);

        const bool ok = !image.isNull();
        EXPECT_TRUE(ok || !error.isEmpty()) << "refused without a reason";
        EXPECT_TRUE(thumb.isNull() ? !thumbError.isEmpty() : thumb.size() == QSize(95, 81));
        if (ok) {
            EXPECT_EQ(image.size(), picture.size());
            // The preview's road: the picture decoded straight at its box.
            EXPECT_EQ(picture.scaled(QSize(457, 417), &error).size(), QSize(457, 417))
                << error.toStdString();
        }
        if (row.expected == QLatin1String("fails")) {
            EXPECT_FALSE(ok) << "a broken file was shown";
            EXPECT_TRUE(thumb.isNull());
        } else if (row.expected == QLatin1String("decodes")) {
            ASSERT_TRUE(ok) << error.toStdString();
            EXPECT_FALSE(thumb.isNull()) << thumbError.toStdString();
            if (row.format == QLatin1String("wmf")) {
                checkMetafile(row, file, picture.size());
            } else {
                checkRaster(row, file, image);
            }
        }
    }
}
