// Precise behaviours of the renderer on tiny metafiles built in the test.
#include "metafile_builder.h"

#include "pictures/wmf/wmf.h"

#include <gtest/gtest.h>

namespace wmf = plenarvo::pictures::wmf;

namespace {

constexpr uint16_t kRectangle = 0x041B;
constexpr uint16_t kPolyPolygon = 0x0538;
constexpr uint16_t kSetPolyFillMode = 0x0106;
constexpr uint16_t kStretchDib = 0x0F43;
constexpr uint16_t kTextOut = 0x0521;
constexpr uint16_t kSetTextAlign = 0x012E;
constexpr uint16_t kCreateFont = 0x02FB;
constexpr uint16_t kSaveDc = 0x001E;
constexpr uint16_t kRestoreDc = 0x0127;

// A 100x100 unit picture at 96 units to the inch: one unit is one pixel.
MetafileBuilder canvas() {
    auto b = MetafileBuilder::placeable(100, 100, 96);
    b.window(100, 100);
    return b;
}

// Object 0: a null pen; object 1: a red brush; both selected.
MetafileBuilder redCanvas() {
    auto b = canvas();
    b.nullPen().select(0).solidBrush(0x0000FF).select(1);
    return b;
}

QImage draw(const MetafileBuilder& b, QSize size = QSize(100, 100)) {
    QString error;
    QImage image = wmf::render(b.bytes, size, &error);
    EXPECT_FALSE(image.isNull()) << error.toStdString();
    return image;
}

bool isRed(QRgb c) {
    return qRed(c) > 240 && qGreen(c) < 15 && qBlue(c) < 15 && qAlpha(c) == 255;
}

TEST(MetafileSize, PlaceableBoxAtUnitsPerInchOrPlainWindow) {
    auto b = MetafileBuilder::placeable(9000, 4493, 1440);
    b.eof();
    EXPECT_TRUE(wmf::looksLikeMetafile(b.bytes));
    EXPECT_EQ(wmf::naturalSize(b.bytes), QSize(600, 300));
    // Without the placeable header: the window at 1440 units to the inch, or a default.
    auto plain = MetafileBuilder::plain();
    plain.record(0x0103, {8}).window(2880, 1440).eof();
    EXPECT_EQ(wmf::naturalSize(plain.bytes), QSize(192, 96));
    auto bare = MetafileBuilder::plain();
    bare.eof();
    EXPECT_EQ(wmf::naturalSize(bare.bytes), QSize(256, 256));
}

TEST(MetafileSize, DamagedHeadersAreRefused) {
    auto b = MetafileBuilder::placeable(100, 100, 96);
    QByteArray noUnits = b.bytes;
    noUnits[14] = 0;
    noUnits[15] = 0;
    QByteArray badHeaderSize = b.bytes;
    badHeaderSize[24] = 77;
    for (const QByteArray& bytes :
         {noUnits, badHeaderSize, QByteArray("plain text"), QByteArray()}) {
        QString error;
        EXPECT_FALSE(wmf::naturalSize(bytes, &error).has_value());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(wmf::render(bytes, QSize(10, 10)).isNull());
    }
    // An enhanced metafile's header is not a metafile's.
    const QByteArray emf = QByteArray::fromHex("010000006c000000");
    EXPECT_FALSE(wmf::looksLikeMetafile(emf + QByteArray(100, '\0')));
}

TEST(MetafileDrawing, FilledRectangleAtAnySize) {
    auto b = redCanvas();
    b.record(kRectangle, {50, 50, 10, 10}).eof();  // bottom, right, top, left
    const QImage full = draw(b);
    ASSERT_EQ(full.size(), QSize(100, 100));
    EXPECT_EQ(full.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_TRUE(isRed(full.pixel(30, 30)));
    EXPECT_TRUE(isRed(full.pixel(11, 11)));
    EXPECT_EQ(qAlpha(full.pixel(70, 70)), 0);
    EXPECT_EQ(qAlpha(full.pixel(5, 30)), 0);
    // Stretched to a wide thumbnail the rectangle follows the frame.
    const QImage wide = draw(b, QSize(200, 50));
    EXPECT_TRUE(isRed(wide.pixel(60, 15)));
    EXPECT_EQ(qAlpha(wide.pixel(60, 30)), 0);
    EXPECT_EQ(qAlpha(wide.pixel(110, 15)), 0);
}

TEST(MetafileDrawing, NullPenAndNullBrushDrawNothing) {
    auto b = canvas();
    b.nullPen().select(0).record(0x02FC, {1, 0, 0, 0}).select(1);
    b.record(kRectangle, {90, 90, 10, 10}).eof();
    const QImage image = draw(b);
    for (int y = 0; y < 100; y += 3) {
        for (int x = 0; x < 100; x += 3) {
            ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << x << "," << y;
        }
    }
}

TEST(MetafileDrawing, PolygonFillModes) {
    // Two squares, one inside the other, both drawn the same way round: the
    // alternate rule leaves the inner one empty, the winding rule fills it.
    auto shape = [](int mode) {
        auto b = redCanvas();
        b.record(kSetPolyFillMode, {mode});
        b.record(kPolyPolygon, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90,  //
                                30, 30, 70, 30, 70, 70, 30, 70});
        return b.eof();
    };
    const QImage alternate = draw(shape(1));
    const QImage winding = draw(shape(2));
    EXPECT_TRUE(isRed(alternate.pixel(20, 50)));
    EXPECT_EQ(qAlpha(alternate.pixel(50, 50)), 0);
    EXPECT_TRUE(isRed(winding.pixel(20, 50)));
    EXPECT_TRUE(isRed(winding.pixel(50, 50)));
}

TEST(MetafileDrawing, PieRunsCounterClockwise) {
    // From the right edge round to the top: the upper right quarter.
    auto b = redCanvas();
    b.record(0x081A, {0, 50, 50, 100, 100, 100, 0, 0}).eof();  // end y, x; start y, x; box
    const QImage image = draw(b);
    EXPECT_TRUE(isRed(image.pixel(75, 25)));
    EXPECT_EQ(qAlpha(image.pixel(25, 25)), 0);
    EXPECT_EQ(qAlpha(image.pixel(75, 75)), 0);
    EXPECT_EQ(qAlpha(image.pixel(25, 75)), 0);
}

TEST(MetafileDrawing, ClipRectanglesLimitDrawingUntilRestored) {
    auto b = redCanvas();
    b.record(kSaveDc, {});
    b.record(0x0416, {60, 60, 0, 0});    // keep inside (0,0)-(60,60)
    b.record(0x0415, {40, 40, 20, 20});  // but not (20,20)-(40,40)
    b.record(kRectangle, {100, 100, 0, 0});
    b.record(kRestoreDc, {-1});
    b.record(kRectangle, {100, 100, 90, 90}).eof();
    const QImage image = draw(b);
    EXPECT_TRUE(isRed(image.pixel(10, 10)));
    EXPECT_EQ(qAlpha(image.pixel(30, 30)), 0);
    EXPECT_EQ(qAlpha(image.pixel(75, 75)), 0);
    EXPECT_TRUE(isRed(image.pixel(95, 95)));
}

TEST(MetafileDrawing, MissingObjectsAreIgnoredAndRestoreDcBringsBackTheBrush) {
    auto b = redCanvas();
    b.select(40);             // no such object: red stays
    b.record(0x01F0, {300});  // deleting nothing is harmless
    b.record(kRectangle, {50, 50, 10, 10}).eof();
    EXPECT_TRUE(isRed(draw(b).pixel(30, 30)));

    // Restoring the saved state brings back the brush.
    b = redCanvas();
    b.record(kSaveDc, {}).solidBrush(0xFF0000).select(2);  // blue
    b.record(kRectangle, {20, 20, 0, 0});
    b.record(kRestoreDc, {-1});
    b.record(kRectangle, {60, 60, 40, 40}).eof();
    const QImage image = draw(b);
    EXPECT_EQ(qBlue(image.pixel(10, 10)), 255);
    EXPECT_TRUE(isRed(image.pixel(50, 50)));
}

TEST(MetafileDrawing, StretchedBitmapKeepsItsPixels) {
    QImage source(2, 2, QImage::Format_RGB32);
    source.setPixel(0, 0, qRgb(255, 0, 0));
    source.setPixel(1, 0, qRgb(0, 255, 0));
    source.setPixel(0, 1, qRgb(0, 0, 255));
    source.setPixel(1, 1, qRgb(255, 255, 255));
    QByteArray params;
    // SRCCOPY, no colour table; source h, w, y, x; destination h, w, y, x.
    le16(params, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 80, 80, 10, 10});
    params.append(dib24(source));
    auto b = canvas();
    b.record(kStretchDib, params).eof();
    const QImage image = draw(b);
    EXPECT_EQ(image.pixel(25, 25), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(75, 25), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(25, 75), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(75, 75), qRgb(255, 255, 255));
    EXPECT_EQ(qAlpha(image.pixel(5, 5)), 0);

    // A bitmap that claims more rows than the record holds is not drawn.
    QByteArray shortParams = params;
    shortParams[22 + 8] = char(100);  // height in the info header
    auto damaged = canvas();
    damaged.record(kStretchDib, shortParams).eof();
    EXPECT_EQ(qAlpha(draw(damaged).pixel(25, 25)), 0);
}

TEST(MetafileDrawing, TextSitsByItsAlignment) {
    // A 20-unit Sans font; "HH" drawn at (50, 50) left-top aligned, then right aligned.
    auto text = [](int align) {
        auto b = canvas();
        QByteArray font;
        le16(font, {-20, 0, 0, 0, 400});
        font.append(QByteArray(8, '\0'));
        font.append("DejaVu Sans\0", 12);
        b.record(kCreateFont, font).select(0);
        b.record(0x0102, {1});  // transparent background
        b.record(kSetTextAlign, {align});
        b.record(kTextOut, QByteArray("\x02\x00HH\x32\x00\x32\x00", 8));
        return b.eof();
    };
    auto inkBounds = [](const QImage& image) {
        QRect r;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (qAlpha(image.pixel(x, y)) > 128) {
                    r |= QRect(x, y, 1, 1);
                }
            }
        }
        return r;
    };
    const QRect left = inkBounds(draw(text(0)));
    const QRect right = inkBounds(draw(text(2 | 24)));  // TA_RIGHT | TA_BASELINE
    ASSERT_FALSE(left.isEmpty());
    ASSERT_FALSE(right.isEmpty());
    EXPECT_GE(left.left(), 50);
    EXPECT_GE(left.top(), 50);
    EXPECT_NEAR(left.height(), 15, 3);  // capital height of a 20-pixel em
    EXPECT_LE(right.right(), 50);
    EXPECT_LE(right.bottom(), 50);
    EXPECT_NEAR(right.width(), left.width(), 2);
}

TEST(MetafileRecords, BrokenRecordSizes) {
    for (uint32_t words : {0u, 2u, 0x80000000u}) {
        SCOPED_TRACE(words);
        auto b = MetafileBuilder::placeable(100, 100, 96);
        le32(b.bytes, {words}).append("\x1b\x04", 2);
        b.bytes.append(QByteArray(40, '\0'));
        QString error;
        EXPECT_TRUE(wmf::render(b.bytes, QSize(50, 50), &error).isNull());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(MetafileRecords, CutShortAfterDrawingShowsWhatCameBefore) {
    auto b = redCanvas();
    b.record(kRectangle, {50, 50, 10, 10});
    const QByteArray whole = b.bytes;
    b.record(kRectangle, {90, 90, 60, 60});
    const QByteArray cut = b.bytes.left(b.bytes.size() - 4);
    const QImage image = draw(MetafileBuilder{cut});
    EXPECT_TRUE(isRed(image.pixel(30, 30)));
    EXPECT_EQ(qAlpha(image.pixel(75, 75)), 0);
    // Without the final record but otherwise whole, the picture is all there.
    EXPECT_TRUE(isRed(draw(MetafileBuilder{whole}).pixel(30, 30)));
    // Cut short before anything was drawn, it fails.
    const QByteArray early = redCanvas().bytes;
    EXPECT_TRUE(wmf::render(early.left(early.size() - 3), QSize(10, 10)).isNull());
}

}  // namespace
