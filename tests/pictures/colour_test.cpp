// Embedded colour profiles against an independent colour engine: what the program
// shows, caches, saves and prints must match Little CMS's jpgicc within a few levels.

#include "pictures/colour.h"
#include "support/files.h"
#include "thumbnails/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

using plenarvo::pictures::Picture;
using plenarvo::testing::readBytes;

namespace {

const QString kProfiles = QStringLiteral("/usr/share/color/icc/colord/");
constexpr int kTolerance = 4;  // JPEG's rounding, widened by the steeper profiles' curves

// Eight flat patches of 64x32, four to a row, and the largest channel difference
// between two pictures of them at the middle of each patch, whatever their sizes.
QImage patches() {
    static const QRgb colours[8] = {0xC81E1E, 0x28B43C, 0x2832C8, 0x808080,
                                    0xF0A028, 0x50C8DC, 0xF0E6DC, 0x142840};
    QImage image(256, 64, QImage::Format_RGB32);
    for (int i = 0; i < 8 * 64 * 32; ++i) {
        image.setPixel(i / 2048 % 4 * 64 + i % 64, i / 8192 * 32 + i / 64 % 32, colours[i / 2048]);
    }
    return image;
}
int worst(const QImage& got, const QImage& want) {
    int most = got.isNull() || want.isNull() ? 999 : 0;
    for (int i = 0; i < 8 && most < 999; ++i) {
        const auto at = [i](const QImage& m) {
            return m.pixel(int((i % 4 + 0.5) * m.width() / 4), int((i / 4 + 0.5) * m.height() / 2));
        };
        const QRgb a = at(got);
        const QRgb b = at(want);
        most = std::max({most, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                         std::abs(qBlue(a) - qBlue(b))});
    }
    return most;
}

// A JPEG with `profile` in two APP2 segments, the second piece first (readers put
// them together by their numbers).
QByteArray jpegWith(const QImage& image, const QByteArray& profile) {
    QByteArray jpeg = plenarvo::testing::encode(image, "jpeg", 100);
    const qsizetype half = profile.size() / 2;
    for (const int piece : {1, 2}) {  // each inserted after the JFIF segment
        const QByteArray data = piece == 1 ? profile.left(half) : profile.mid(half);
        const auto length = quint16(16 + data.size());
        const QByteArray segment = QByteArray("\xFF\xE2") + char(length >> 8) + char(length) +
                                   QByteArray("ICC_PROFILE", 12) + char(piece) + char(2) + data;
        jpeg.insert(4 + qFromBigEndian<quint16>(jpeg.constData() + 4),
                    profile.isEmpty() ? "" : segment);
    }
    return jpeg;
}

// A 24-bit BMP with a 124-byte header: `profile` embedded after the pixels, or
// calibrated RGB with Adobe RGB's primaries and gamma, or sRGB.
QByteArray bmpWith(const QImage& image, const QByteArray& profile, bool calibrated) {
    const QImage rows = image.convertToFormat(QImage::Format_BGR888).mirrored();
    const auto pixels = quint32(rows.sizeInBytes());  // rows of 768 bytes: no padding
    QByteArray b(14 + 124, '\0');
    const auto put = [&b](int at, quint32 value) { qToLittleEndian(value, b.data() + at); };
    b.replace(0, 2, "BM");
    const quint32 header[] = {quint32(b.size() + pixels + profile.size()),
                              0,
                              14 + 124,
                              124,
                              quint32(image.width()),
                              quint32(image.height()),
                              1 | 24 << 16};
    for (int i = 0; i < 7; ++i) {
        put(2 + 4 * i, header[i]);
    }
    put(14 + 56, !profile.isEmpty() ? 0x4D424544 : calibrated ? 0 : 0x73524742);
    const double xyz[9] = {0.5767, 0.2973, 0.0270, 0.1856, 0.6274, 0.0707, 0.1882, 0.0753, 0.9911};
    for (int i = 0; calibrated && i < 12; ++i) {
        put(14 + 60 + 4 * i, quint32(i < 9 ? qRound(xyz[i] * (1 << 30)) : 563 * 256));
    }
    put(14 + 112, 124 + pixels);
    put(14 + 116, quint32(profile.size()));
    return b + QByteArray(reinterpret_cast<const char*>(rows.constBits()), pixels) + profile;
}

// jpgicc's conversion of the JPEG `in` into `out`, read back as plain numbers.
QImage jpgicc(const QString& tool, QStringList arguments, const QString& in, const QString& out) {
    arguments << QStringLiteral("-q") << QStringLiteral("100") << in << out;
    QImage image = QProcess::execute(tool, arguments) == 0 ? QImage(out) : QImage();
    image.setColorSpace(QColorSpace());
    return image.convertToFormat(QImage::Format_RGB32);
}

TEST(ColourProfiles, ShownCachedSavedAndPrintedAsLittleCmsConvertsThem) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("jpgicc"));
    const QString adobe = kProfiles + QStringLiteral("AdobeRGB1998.icc");
    if (tool.isEmpty() || !QFile::exists(adobe)) {
        GTEST_SKIP() << "needs jpgicc (liblcms2-utils) and colord-data's profiles";
    }
    const QColorSpace adobeDisplay = QColorSpace::fromIccProfile(readBytes(adobe));
    QTemporaryDir dir;
    // Name, colord profile, cut short (damaged), the BMP calibrated RGB instead.
    const std::tuple<const char*, const char*, bool, bool> rows[] = {
        {"none", "", false, false},
        {"swapped", "SwappedRedAndGreen.icc", false, false},
        {"adobe", "AdobeRGB1998.icc", false, false},
        {"prophoto", "ProPhotoRGB.icc", false, false},
        {"damaged", "AdobeRGB1998.icc", true, false},
        {"calibrated", "AdobeRGB1998.icc", false, true}};
    for (const auto& [name, file, damaged, calibrated] : rows) {
        SCOPED_TRACE(name);
        QByteArray profile = *file ? readBytes(kProfiles + file) : QByteArray();
        profile.truncate(damaged ? profile.size() / 3 : profile.size());
        const QString stem = dir.filePath(QString::fromLatin1(name));
        const QString jpeg =
            plenarvo::testing::writeFile(stem + ".jpg", jpegWith(patches(), profile));
        const QString bmp = plenarvo::testing::writeFile(
            stem + ".bmp", bmpWith(patches(), calibrated ? QByteArray() : profile, calibrated));
        // An unusable profile counts as sRGB: jpgicc is told to ignore it. A
        // thumbnail comes from the sRGB cache entry, whose colours outside sRGB are
        // clipped: on an Adobe RGB display it shows that entry converted.
        const QStringList from = *file && !damaged ? QStringList() : QStringList{"-n"};
        const QStringList toAdobe{QStringLiteral("-o"), adobe};
        const QImage srgb = jpgicc(tool, from, jpeg, jpeg + ".s.jpg");
        const QImage inAdobe = jpgicc(tool, from + toAdobe, jpeg, jpeg + ".a.jpg");
        const QImage cellAdobe =
            jpgicc(tool, QStringList{"-n"} + toAdobe, jpeg + ".s.jpg", jpeg + ".c.jpg");
        ASSERT_FALSE(srgb.isNull() || inAdobe.isNull() || cellAdobe.isNull());
        for (const QString& path : calibrated ? QStringList{bmp} : QStringList{jpeg, bmp}) {
            SCOPED_TRACE(path.toStdString());
            // On an sRGB display, then on an Adobe RGB one: the full view, the
            // preview and a thumbnail in the display's colours; the shared cache
            // entry, the print and a JPEG saved as bitmap data in sRGB.
            for (const QColorSpace& display : {QColorSpace(QColorSpace::SRgb), adobeDisplay}) {
                plenarvo::pictures::setShownColourSpace(display);
                const QImage& want = display == adobeDisplay ? inAdobe : srgb;
                const Picture picture = Picture::fromFile(path);
                EXPECT_LE(worst(picture.image(), want), kTolerance);
                EXPECT_LE(worst(picture.scaled(QSize(128, 40)), want), kTolerance);
                EXPECT_LE(worst(plenarvo::pictures::decodeScaled(path, {100, 30}), want),
                          kTolerance);
                const plenarvo::ThumbnailCache cache(dir.filePath(display.description()) + path);
                EXPECT_LE(worst(makeThumbnail(path, {64, 16}, cache),
                                display == adobeDisplay ? cellAdobe : srgb),
                          kTolerance);
                EXPECT_LE(worst(cache.find(*cache.describe(path), {64, 16}), srgb), kTolerance);
                EXPECT_LE(worst(picture.srgbImage(), srgb), kTolerance);
                const QByteArray saved = picture.saveData();
                EXPECT_TRUE(path == bmp
                                ? saved == readBytes(bmp)
                                : worst(QImage::fromData(saved, "bmp"), srgb) <= kTolerance);
            }
        }
    }
    plenarvo::pictures::setShownColourSpace(QColorSpace(QColorSpace::SRgb));
}

}  // namespace
