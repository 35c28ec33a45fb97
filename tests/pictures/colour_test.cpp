// Embedded colour profiles, checked against an independent colour engine: Little
// CMS's jpgicc converts each test JPEG, and what the program shows, caches, saves
// and prints must match it within a few levels.

#include "pictures/colour.h"
#include "pictures/picture.h"
#include "thumbnails/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

using plenarvo::ThumbnailCache;
using plenarvo::pictures::Colours;
using plenarvo::pictures::Picture;
using plenarvo::pictures::setShownColourSpace;

namespace {

const QString kProfiles = QStringLiteral("/usr/share/color/icc/colord/");
// JPEG's rounding of the stored numbers, widened by the steeper profiles' curves.
constexpr int kTolerance = 4;

// Eight flat patches of 64x32, four to a row: saturated, pastel, dark and grey.
QImage patches() {
    static const QRgb colours[8] = {0xC81E1E, 0x28B43C, 0x2832C8, 0x808080,
                                    0xF0A028, 0x50C8DC, 0xF0E6DC, 0x142840};
    QImage image(256, 64, QImage::Format_RGB32);
    for (int i = 0; i < 8; ++i) {
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 64; ++x) {
                image.setPixel(i % 4 * 64 + x, i / 4 * 32 + y, colours[i]);
            }
        }
    }
    return image;
}

// The largest channel difference between two pictures of the patches, at the
// middle of each patch, whatever size each has.
int worst(const QImage& got, const QImage& want) {
    if (got.isNull() || want.isNull()) {
        return 999;
    }
    int most = 0;
    for (int i = 0; i < 8; ++i) {
        const auto at = [&](const QImage& image) {
            return image.pixel(int((i % 4 + 0.5) * image.width() / 4),
                               int((i / 4 + 0.5) * image.height() / 2));
        };
        const QRgb a = at(got);
        const QRgb b = at(want);
        most = std::max({most, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))});
    }
    return most;
}

// A JPEG of `image` with `profile` in two APP2 segments after the JFIF one, the
// second piece first: readers put them together by their numbers.
QByteArray jpegWith(const QImage& image, const QByteArray& profile) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 100);
    if (profile.isEmpty()) {
        return jpeg;
    }
    const qsizetype afterJfif = 4 + qFromBigEndian<quint16>(jpeg.constData() + 4);
    QByteArray segments;
    const qsizetype half = profile.size() / 2;
    for (const int piece : {2, 1}) {
        const QByteArray data = piece == 1 ? profile.left(half) : profile.mid(half);
        const quint16 length = quint16(2 + 12 + 2 + data.size());
        segments += QByteArray("\xFF\xE2") + char(length >> 8) + char(length & 0xFF) +
                    QByteArray("ICC_PROFILE", 12) + char(piece) + char(2) + data;
    }
    return jpeg.insert(afterJfif, segments);
}

// A 24-bit BMP with a 124-byte header: `profile` embedded after the pixels, or
// calibrated RGB of Adobe RGB's primaries and gamma, or plain sRGB.
QByteArray bmpWith(const QImage& image, const QByteArray& profile, bool calibrated) {
    const int stride = (image.width() * 3 + 3) & ~3;
    const quint32 pixels = quint32(stride * image.height());
    QByteArray b(14 + 124, '\0');
    const auto put = [&](int at, quint32 value) { qToLittleEndian(value, b.data() + at); };
    b[0] = 'B';
    b[1] = 'M';
    put(2, quint32(b.size() + pixels + profile.size()));
    put(10, 14 + 124);
    put(14, 124);
    put(18, quint32(image.width()));
    put(22, quint32(image.height()));
    put(26, 1 | 24 << 16);  // planes, bits a pixel
    put(34, pixels);
    const quint32 type = !profile.isEmpty() ? 0x4D424544 : calibrated ? 0 : 0x73524742;
    put(14 + 56, type);
    if (calibrated) {
        const double xyz[9] = {0.5767, 0.2973, 0.0270, 0.1856, 0.6274,
                               0.0707, 0.1882, 0.0753, 0.9911};
        for (int i = 0; i < 9; ++i) {
            put(14 + 60 + 4 * i, quint32(qRound(xyz[i] * (1 << 30))));
        }
        for (int c = 0; c < 3; ++c) {
            put(14 + 96 + 4 * c, quint32(qRound(563.0 / 256 * 65536)));
        }
    }
    put(14 + 112, 124 + pixels);
    put(14 + 116, quint32(profile.size()));
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(stride, '\0');
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            row[3 * x] = char(qBlue(c));
            row[3 * x + 1] = char(qGreen(c));
            row[3 * x + 2] = char(qRed(c));
        }
        b += row;
    }
    return b + profile;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// jpgicc's conversion of a JPEG into `out`, with its arguments before the file names.
QImage jpgicc(const QString& jpgiccPath, QStringList arguments, const QString& in,
              const QString& out) {
    arguments << QStringLiteral("-q") << QStringLiteral("100") << in << out;
    if (QProcess::execute(jpgiccPath, arguments) != 0) {
        return {};
    }
    QImage image(out);
    image.setColorSpace(QColorSpace());
    return image.convertToFormat(QImage::Format_RGB32);
}

TEST(ColourProfiles, ShownCachedSavedAndPrintedAsLittleCmsConvertsThem) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("jpgicc"));
    const QString adobe = kProfiles + QStringLiteral("AdobeRGB1998.icc");
    if (tool.isEmpty() || !QFile::exists(adobe)) {
        GTEST_SKIP() << "needs jpgicc (liblcms2-utils) and colord-data's profiles";
    }
    const QColorSpace adobeDisplay = QColorSpace::fromIccProfile(readFile(adobe));
    ASSERT_TRUE(adobeDisplay.isValid());
    QTemporaryDir dir;

    struct Row {
        const char* name;
        const char* profile;  // a colord file, or none
        bool damaged;         // the profile cut short
        bool calibrated;      // the BMP says calibrated RGB instead (as the profile)
    };
    const Row rows[] = {
        {"none", nullptr, false, false},
        {"swapped-red-green", "SwappedRedAndGreen.icc", false, false},
        {"adobe-rgb", "AdobeRGB1998.icc", false, false},
        {"prophoto", "ProPhotoRGB.icc", false, false},
        {"damaged", "AdobeRGB1998.icc", true, false},
        {"bmp-calibrated-adobe", "AdobeRGB1998.icc", false, true},
    };
    const QImage stored = patches();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QByteArray profile = row.profile ? readFile(kProfiles + row.profile) : QByteArray();
        if (row.damaged) {
            profile.truncate(profile.size() / 3);
        }
        const bool usable = row.profile && !row.damaged;
        const QString jpeg = dir.filePath(QStringLiteral("%1.jpg").arg(row.name));
        const QString bmp = dir.filePath(QStringLiteral("%1.bmp").arg(row.name));
        ASSERT_TRUE(writeFile(jpeg, jpegWith(stored, profile)));
        ASSERT_TRUE(writeFile(
            bmp, bmpWith(stored, row.calibrated ? QByteArray() : profile, row.calibrated)));
        // An unusable profile counts as sRGB: jpgicc is told to ignore it.
        const QStringList from = usable ? QStringList() : QStringList{QStringLiteral("-n")};
        const QStringList toAdobe{QStringLiteral("-o"), adobe};
        const QImage wantSrgb = jpgicc(tool, from, jpeg, jpeg + QStringLiteral(".srgb.jpg"));
        const QImage wantAdobe =
            jpgicc(tool, from + toAdobe, jpeg, jpeg + QStringLiteral(".a.jpg"));
        // A thumbnail comes from the sRGB cache entry, whose colours outside sRGB
        // are clipped: on an Adobe RGB display it shows that entry converted.
        const QImage wantCellAdobe =
            jpgicc(tool, QStringList{QStringLiteral("-n")} + toAdobe,
                   jpeg + QStringLiteral(".srgb.jpg"), jpeg + QStringLiteral(".cell.jpg"));
        ASSERT_FALSE(wantSrgb.isNull() || wantAdobe.isNull() || wantCellAdobe.isNull());

        for (const QString& path : row.calibrated ? QStringList{bmp} : QStringList{jpeg, bmp}) {
            SCOPED_TRACE(path.toStdString());
            const QByteArray bytes = readFile(path);
            // On an sRGB display: the full view, the preview and a thumbnail.
            setShownColourSpace(QColorSpace(QColorSpace::SRgb));
            const Picture shownSrgb = Picture::fromFile(path);
            EXPECT_LE(worst(shownSrgb.image(), wantSrgb), kTolerance);
            EXPECT_LE(worst(shownSrgb.scaled(QSize(128, 40)), wantSrgb), kTolerance);
            const ThumbnailCache firstCache(dir.filePath(path.section(u'/', -1) + u'1'));
            EXPECT_LE(worst(makeThumbnail(path, QSize(64, 16), firstCache), wantSrgb), kTolerance);

            // On an Adobe RGB display: shown in its colours, but the shared cache
            // entry, the saved bitmap and the print stay sRGB.
            setShownColourSpace(adobeDisplay);
            const Picture shownAdobe = Picture::fromFile(path);
            EXPECT_LE(worst(shownAdobe.image(), wantAdobe), kTolerance);
            EXPECT_LE(worst(shownAdobe.scaled(QSize(128, 40)), wantAdobe), kTolerance);
            EXPECT_LE(worst(plenarvo::pictures::decodeScaled(path, QSize(100, 30)), wantAdobe),
                      kTolerance);
            const ThumbnailCache secondCache(dir.filePath(path.section(u'/', -1) + u'2'));
            EXPECT_LE(worst(makeThumbnail(path, QSize(64, 16), secondCache), wantCellAdobe),
                      kTolerance);
            const auto source = secondCache.describe(path);
            ASSERT_TRUE(source);
            EXPECT_LE(worst(secondCache.find(*source, QSize(64, 16)), wantSrgb), kTolerance);
            EXPECT_LE(worst(shownAdobe.srgbImage(), wantSrgb), kTolerance);
            const QByteArray saved = shownAdobe.saveData();
            if (path == bmp) {
                EXPECT_EQ(saved, bytes);
            } else {
                EXPECT_LE(worst(QImage::fromData(saved, "bmp"), wantSrgb), kTolerance);
            }
        }
    }
    setShownColourSpace(QColorSpace(QColorSpace::SRgb));
}

}  // namespace
