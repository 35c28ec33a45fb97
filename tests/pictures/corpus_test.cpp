// Every bitmap, icon, GIF and JPEG of the shared picture corpus, read the way the
// program reads it (the metafiles have their own corpus test).

#include "pictures/picture.h"

#include "support/corpus.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

using plenarvo::pictures::decodeScaled;
using plenarvo::pictures::Picture;
using plenarvo::testing::corpusDir;

namespace {

// The mean absolute difference of the colour channels (0..255) over all pixels,
// each composited on the same mid grey first so that transparent pixels compare
// by what they show.
double meanChannelDifference(const QImage& a, const QImage& b) {
    auto flatten = [](const QImage& image) {
        QImage out(image.size(), QImage::Format_RGB32);
        out.fill(QColor(128, 128, 128));
        QPainter(&out).drawImage(0, 0, image.convertToFormat(QImage::Format_ARGB32));
        return out;
    };
    const QImage fa = flatten(a);
    const QImage fb = flatten(b);
    double sum = 0;
    for (int y = 0; y < fa.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(fa.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(fb.constScanLine(y));
        for (int x = 0; x < fa.width(); ++x) {
            sum += std::abs(qRed(la[x]) - qRed(lb[x])) + std::abs(qGreen(la[x]) - qGreen(lb[x])) +
                   std::abs(qBlue(la[x]) - qBlue(lb[x]));
        }
    }
    return sum / (3.0 * fa.width() * fa.height());
}

// The closest of the file's reference renderings of the decoded size, if any.
std::optional<double> closestReference(const QString& file, const QImage& image) {
    std::optional<double> best;
    for (const char* suffix : {".ref.png", ".ref-alt1.png", ".ref-alt2.png", ".ref-alt3.png"}) {
        const QImage reference(file + QLatin1String(suffix));
        if (!reference.isNull() && reference.size() == image.size()) {
            const double d = meanChannelDifference(image, reference);
            best = best ? std::min(*best, d) : d;
        }
    }
    return best;
}

}  // namespace

TEST(Corpus, EveryFileMeetsItsExpectation) {
    const auto rows = plenarvo::testing::readCorpusManifest();
    if (rows.empty()) {
        GTEST_SKIP() << "no picture corpus at " << corpusDir().toStdString();
    }
    for (const auto& row : rows) {
        if (row.format == QLatin1String("wmf")) {
            continue;
        }
        SCOPED_TRACE(row.path.toStdString());
        const QString file = corpusDir() + QLatin1Char('/') + row.path;
        QString error;
        const Picture picture = Picture::fromFile(file, &error);
        const QImage image = picture.isNull() ? QImage() : picture.image(&error);
        QString thumbError;
        const QImage thumb = decodeScaled(file, QSize(95, 81), &thumbError);

        const bool ok = !image.isNull();
        EXPECT_TRUE(ok || !error.isEmpty()) << "refused without a reason";
        EXPECT_TRUE(thumb.isNull() ? !thumbError.isEmpty() : thumb.size() == QSize(95, 81));
        if (row.expected == QLatin1String("decodes")) {
            ASSERT_TRUE(ok) << error.toStdString();
            // A JPEG whose orientation tag turns it a quarter shows with width and
            // height swapped; Qt's reader is the oracle for the tag.
            const bool turned = row.format == QLatin1String("jpeg") &&
                                QImageReader(file, "jpeg")
                                    .transformation()
                                    .testFlag(QImageIOHandler::TransformationRotate90);
            const QSize shown = turned ? row.size.transposed() : row.size;
            EXPECT_EQ(picture.size(), shown);
            EXPECT_EQ(image.size(), shown);
            if (QFileInfo::exists(file + QStringLiteral(".ref.png"))) {
                const std::optional<double> difference = closestReference(file, image);
                ASSERT_TRUE(difference.has_value()) << "no reference of the decoded size";
                // Lossless decoders agree almost exactly; JPEG decoders differ a
                // little in upsampling and rounding.
                EXPECT_LT(*difference, row.format == QLatin1String("jpeg") ? 4.0 : 1.5);
            }
        } else if (row.expected == QLatin1String("fails")) {
            EXPECT_FALSE(ok) << "a broken file was shown";
            EXPECT_TRUE(thumb.isNull());
        } else if (ok) {
            EXPECT_EQ(image.size(), picture.size());
        }
    }
}
