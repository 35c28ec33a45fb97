// Every file of the shared picture corpus, read the way the program reads it.

#include "platform/pictures/picture.h"

#include "support/corpus.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cmath>
#include <iostream>
#include <optional>
#include <vector>

using plenarvo::pictures::decodeScaled;
using plenarvo::pictures::Format;
using plenarvo::pictures::Picture;

namespace {

using Row = plenarvo::testing::CorpusRow;
using plenarvo::testing::corpusDir;

std::vector<Row> readManifest() { return plenarvo::testing::readCorpusManifest(); }

// How far two pictures are apart: the mean absolute difference of their colour
// channels (0..255) over all pixels, each composited on the same mid grey first so
// that transparent pixels compare by what they show.
double meanChannelDifference(const QImage& a, const QImage& b) {
    auto flatten = [](const QImage& image) {
        QImage out(image.size(), QImage::Format_RGB32);
        out.fill(QColor(128, 128, 128));
        QPainter painter(&out);
        painter.drawImage(0, 0, image.convertToFormat(QImage::Format_ARGB32));
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

// The closest of the file's reference renderings, if it has any of its size.
std::optional<double> closestReference(const QString& file, const QImage& image) {
    std::optional<double> best;
    QStringList refs{file + QStringLiteral(".ref.png")};
    for (int i = 1; i <= 3; ++i) {
        refs << file + QStringLiteral(".ref-alt%1.png").arg(i);
    }
    for (const QString& ref : refs) {
        const QImage reference(ref);
        if (reference.isNull() || reference.size() != image.size()) {
            continue;
        }
        const double d = meanChannelDifference(image, reference);
        if (!best || d < *best) {
            best = d;
        }
    }
    return best;
}

bool hasReference(const QString& file) {
    return QFileInfo::exists(file + QStringLiteral(".ref.png"));
}

// A JPEG whose orientation tag turns it a quarter turn shows with width and height
// swapped. Qt's reader is the oracle for the tag here.
bool turnsQuarter(const QString& file) {
    QImageReader reader(file, "jpeg");
    return reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
}

// Lossless decoders should agree with the references almost exactly; JPEG decoders
// differ a little in upsampling and rounding.
double allowedDifference(const Row& row) {
    return row.format == QLatin1String("jpeg") ? 4.0 : 1.5;
}

constexpr qint64 kMaxMillisPerFile = 2000;

}  // namespace

TEST(Corpus, EveryFileMeetsItsExpectation) {
    if (!QFileInfo(corpusDir()).isDir()) {
        GTEST_SKIP() << "no picture corpus at " << corpusDir().toStdString();
    }
    const std::vector<Row> rows = readManifest();
    ASSERT_FALSE(rows.empty()) << "MANIFEST.tsv is missing or empty";

    int decoded = 0;
    int refused = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const QString file = corpusDir() + QLatin1Char('/') + row.path;
        const bool metafile = row.format == QLatin1String("wmf");

        QElapsedTimer timer;
        timer.start();
        QString error;
        const Picture picture = Picture::fromFile(file, &error);
        QImage image;
        if (!picture.isNull()) {
            image = picture.image(&error);
        }
        // The thumbnail path must survive every file too.
        QString thumbError;
        const QImage thumb = decodeScaled(file, QSize(95, 81), &thumbError);
        const qint64 elapsed = timer.elapsed();
        EXPECT_LT(elapsed, kMaxMillisPerFile);

        const bool ok = !image.isNull();
        ok ? ++decoded : ++refused;
        if (!ok) {
            EXPECT_FALSE(error.isEmpty()) << "refused without a reason";
        }
        if (!thumb.isNull()) {
            EXPECT_EQ(thumb.size(), QSize(95, 81));
        } else {
            EXPECT_FALSE(thumbError.isEmpty());
        }
        if (ok && !picture.isNull()) {
            EXPECT_EQ(image.size(), picture.size()) << "decoded size differs from header";
        }
        if (row.expected != QLatin1String("either")) {
            std::cout << "  " << (ok ? "decodes " : "fails   ") << row.path.toStdString()
                      << (ok ? "" : "  (" + error.toStdString() + ")") << "\n";
        } else {
            std::cout << "  either:" << (ok ? "decodes " : "fails   ") << row.path.toStdString()
                      << "\n";
        }

        if (metafile) {
            continue;  // the metafile renderer has its own tests; here it only must not crash
        }
        if (row.expected == QLatin1String("decodes")) {
            EXPECT_TRUE(ok) << error.toStdString();
            if (!ok) {
                continue;
            }
            const QSize shown = row.format == QLatin1String("jpeg") && turnsQuarter(file)
                                    ? row.size.transposed()
                                    : row.size;
            EXPECT_EQ(picture.size(), shown);
            EXPECT_EQ(image.size(), shown);
            if (hasReference(file)) {
                const std::optional<double> difference = closestReference(file, image);
                ASSERT_TRUE(difference.has_value()) << "no reference of the decoded size";
                EXPECT_LT(*difference, allowedDifference(row));
            }
        } else if (row.expected == QLatin1String("fails")) {
            EXPECT_FALSE(ok) << "a broken file was shown";
            EXPECT_TRUE(thumb.isNull());
        }
    }
    std::cout << decoded << " files shown, " << refused << " refused\n";
}
