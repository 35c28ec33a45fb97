// The renderer on tiny metafiles built in the test, checked pixel by pixel.
#include "metafile_builder.h"

#include "pictures/wmf/wmf.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace wmf = plenarvo::pictures::wmf;
using namespace records;

namespace {

constexpr QRgb kClear = 0;
constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kGreen = 0xFF00FF00;
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kWhite = 0xFFFFFFFF;

// A colour reference as metafiles store it: red in the low byte.
constexpr uint32_t ref(QRgb c) {
    return uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16;
}

// A 100x100 picture with object 0 a null pen, object 1 a red brush, both selected.
MetafileBuilder redCanvas() {
    auto b = MetafileBuilder::canvas(100, 100);
    b.nullPen().select(0).solidBrush(ref(kRed)).select(1);
    return b;
}

QImage draw(const QByteArray& bytes, QSize size = QSize(100, 100)) {
    QString error;
    QImage image = wmf::render(bytes, size, &error);
    EXPECT_FALSE(image.isNull()) << error.toStdString();
    return image;
}

// The smallest rectangle holding every pixel more than half covered.
QRect inkBounds(const QImage& image) {
    QRect r;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 128) {
                r |= QRect(x, y, 1, 1);
            }
        }
    }
    return r;
}

}  // namespace

TEST(MetafileSize, FromThePlaceableBoxOrThePlainWindowAndDamagedHeadersRefused) {
    auto placeable = MetafileBuilder::placeable(9000, 4493, 1440);
    auto window = MetafileBuilder::plain();
    window.record(0x0103, {8}).window(2880, 1440);  // anisotropic map mode
    QByteArray noUnits = MetafileBuilder::placeable(100, 100, 96).bytes;
    noUnits[14] = noUnits[15] = 0;
    QByteArray badHeaderSize = MetafileBuilder::placeable(100, 100, 96).bytes;
    badHeaderSize[24] = 77;
    const QByteArray emf = QByteArray::fromHex("010000006c000000") + QByteArray(100, '\0');
    const struct {
        const char* name;
        QByteArray bytes;
        std::optional<QSize> size;
    } cases[] = {
        {"placeable box at its units to the inch", placeable.eof().bytes, QSize(600, 300)},
        {"plain window at 1440 units to the inch", window.eof().bytes, QSize(192, 96)},
        {"plain without a window", MetafileBuilder::plain().eof().bytes, QSize(256, 256)},
        {"placeable without units to the inch", noUnits, std::nullopt},
        {"wrong header size", badHeaderSize, std::nullopt},
        {"nothing", QByteArray(), std::nullopt},
        {"enhanced metafile", emf, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_EQ(wmf::naturalSize(c.bytes, &error), c.size);
        EXPECT_EQ(error.isEmpty(), c.size.has_value());
        EXPECT_EQ(wmf::render(c.bytes, QSize(10, 10)).isNull(), !c.size.has_value());
    }
}

// Each file drawn at 100x100 (or the size given), probed pixel by pixel.
TEST(MetafileDrawing, ShapesFillsClipsBitmapsSavedStatesAndCutFiles) {
    struct Probe {
        QPoint at;
        QRgb colour;
    };
    const auto eof = [](MetafileBuilder b) { return b.eof().bytes; };
    const auto rect = [](MetafileBuilder b, int l, int t, int r, int bottom) {
        return b.record(kRectangle, {bottom, r, t, l});
    };
    // Two squares, one inside the other, drawn the same way round.
    const auto nested = [](int fillMode) {
        return redCanvas()
            .record(kSetPolyFillMode, {fillMode})
            .record(kPolyPolygon, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90,  //
                                   30, 30, 70, 30, 70, 70, 30, 70});
    };
    auto clipped = redCanvas()
                       .record(kSaveDc, {})
                       .record(kIntersectClipRect, {60, 60, 0, 0})
                       .record(kExcludeClipRect, {40, 40, 20, 20})
                       .record(kRectangle, {100, 100, 0, 0})
                       .record(kRestoreDc, {-1})
                       .record(kRectangle, {100, 100, 90, 90});
    auto missing = redCanvas().select(40).record(kDeleteObject, {300});
    auto restored =
        rect(redCanvas().record(kSaveDc, {}).solidBrush(ref(kBlue)).select(2), 0, 0, 20, 20)
            .record(kRestoreDc, {-1});
    auto nothing = MetafileBuilder::canvas(100, 100);
    nothing.nullPen().select(0).record(kCreateBrush, {1, 0, 0, 0}).select(1);
    // A 2x2 bitmap stretched over (10,10)-(90,90) by source copy: source h, w, y, x;
    // destination h, w, y, x; and the same claiming more rows than the record holds.
    QImage quad(2, 2, QImage::Format_RGB32);
    quad.setPixel(0, 0, kRed);
    quad.setPixel(1, 0, kGreen);
    quad.setPixel(0, 1, kBlue);
    quad.setPixel(1, 1, kWhite);
    QByteArray stretch;
    le16(stretch, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 80, 80, 10, 10}).append(dib24(quad));
    QByteArray tooTall = stretch;
    tooTall[22 + 8] = char(100);  // height in the info header
    // Two rectangles, without the final record or cut inside the second.
    const QByteArray two =
        redCanvas().record(kRectangle, {50, 50, 10, 10}).record(kRectangle, {90, 90, 60, 60}).bytes;

    const struct {
        const char* name;
        QByteArray bytes;
        std::vector<Probe> probes;
        QSize size = {100, 100};
    } cases[] = {
        {"a filled rectangle",
         eof(rect(redCanvas(), 10, 10, 50, 50)),
         {{{11, 11}, kRed}, {{30, 30}, kRed}, {{70, 70}, kClear}, {{5, 30}, kClear}}},
        {"stretched to a wide image, the drawing follows the frame",
         eof(rect(redCanvas(), 10, 10, 50, 50)),
         {{{60, 15}, kRed}, {{60, 30}, kClear}, {{110, 15}, kClear}},
         {200, 50}},
        {"null pen and null brush draw nothing",
         eof(rect(nothing, 10, 10, 90, 90)),
         {{{11, 11}, kClear}, {{50, 50}, kClear}, {{89, 89}, kClear}}},
        {"alternate fill leaves the inner square empty",
         eof(nested(1)),
         {{{20, 50}, kRed}, {{50, 50}, kClear}}},
        {"winding fill fills it", eof(nested(2)), {{{20, 50}, kRed}, {{50, 50}, kRed}}},
        {"a pie runs counter-clockwise from its start",
         eof(redCanvas().record(kPie, {0, 50, 50, 100, 100, 100, 0, 0})),
         {{{75, 25}, kRed}, {{25, 25}, kClear}, {{75, 75}, kClear}, {{25, 75}, kClear}}},
        {"clip rectangles hold until the state is restored",
         eof(clipped),
         {{{10, 10}, kRed}, {{30, 30}, kClear}, {{75, 75}, kClear}, {{95, 95}, kRed}}},
        {"missing objects change nothing", eof(rect(missing, 10, 10, 50, 50)), {{{30, 30}, kRed}}},
        {"a restored state brings back its brush",
         eof(rect(restored, 40, 40, 60, 60)),
         {{{10, 10}, kBlue}, {{50, 50}, kRed}}},
        {"a stretched bitmap keeps its pixels in place",
         eof(MetafileBuilder::canvas(100, 100).record(kStretchDib, stretch)),
         {{{25, 25}, kRed},
          {{75, 25}, kGreen},
          {{25, 75}, kBlue},
          {{75, 75}, kWhite},
          {{5, 5}, kClear}}},
        {"a bitmap claiming more rows than it holds is left out",
         eof(MetafileBuilder::canvas(100, 100).record(kStretchDib, tooTall)),
         {{{25, 25}, kClear}}},
        {"only the final record missing: all there", two, {{{30, 30}, kRed}, {{75, 75}, kRed}}},
        {"cut inside the last record: what came before shows",
         two.left(two.size() - 4),
         {{{30, 30}, kRed}, {{75, 75}, kClear}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = draw(c.bytes, c.size);
        ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
        for (const Probe& p : c.probes) {
            EXPECT_EQ(image.pixel(p.at), p.colour) << p.at.x() << "," << p.at.y();
        }
    }
}

// Every operation draws the square (5,5)-(15,15) over a picture filled with
// kGround; the pixel in the middle is checked against the operation's bitwise
// meaning, and one outside must stay kGround.
TEST(MetafileRasterOperations, CombineSourceBrushAndDestinationBitwise) {
    constexpr QRgb kGround = 0xFF3C5AA5;
    constexpr QRgb kInk = 0xFFF00FCC;  // the brush, or the bitmap's one pixel
    constexpr QRgb kRgb = 0x00FFFFFF;
    const auto rgb = [](QRgb c) { return 0xFF000000 | (c & kRgb); };
    auto ground = [&] {
        auto b = MetafileBuilder::canvas(20, 20);
        b.nullPen().select(0).solidBrush(ref(kGround)).select(1);
        b.record(kRectangle, {20, 20, 0, 0}).solidBrush(ref(kInk)).select(2);
        return b;
    };
    // A brush drawn under a pen mix mode.
    auto mix = [&](int rop2) {
        return ground().record(kSetRop2, {rop2}).record(kRectangle, {15, 15, 5, 5});
    };
    // A transfer without a bitmap: rop (low word, high word), h, w, y, x.
    auto patBlt = [&](uint32_t rop) {
        return ground().record(kPatBlt, {int(rop & 0xFFFF), int(rop >> 16), 10, 10, 5, 5});
    };
    // A 1x1 bitmap of kInk stretched over the square.
    auto stretch = [&](uint32_t rop) {
        QImage pixel(1, 1, QImage::Format_RGB32);
        pixel.fill(kInk);
        QByteArray params;
        le16(params, {int(rop & 0xFFFF), int(rop >> 16), 0, 1, 1, 0, 0, 10, 10, 5, 5});
        return ground().record(kStretchDib, params + dib24(pixel));
    };
    const struct {
        const char* name;
        MetafileBuilder file;
        QRgb expected;
    } cases[] = {
        {"pen copy", mix(13), kInk},
        {"pen no-op", mix(11), kGround},
        {"pen not (destination)", mix(6), rgb(~kGround)},
        {"pen xor", mix(7), rgb(kInk ^ kGround)},
        {"pen mask (and)", mix(9), rgb(kInk & kGround)},
        {"pen merge (or)", mix(15), rgb(kInk | kGround)},
        {"blackness", patBlt(0x00000042), 0xFF000000},
        {"whiteness", patBlt(0x00FF0062), 0xFFFFFFFF},
        {"pattern copy", patBlt(0x00F00021), kInk},
        {"destination invert", patBlt(0x00550009), rgb(~kGround)},
        {"destination kept", patBlt(0x00AA0029), kGround},
        {"source copy", stretch(0x00CC0020), kInk},
        {"source and", stretch(0x008800C6), rgb(kInk & kGround)},
        {"source paint (or)", stretch(0x00EE0086), rgb(kInk | kGround)},
        {"source invert (xor)", stretch(0x00660046), rgb(kInk ^ kGround)},
        {"not source copy", stretch(0x00330008), rgb(~kInk)},
        {"source erase (and not destination)", stretch(0x00440328), rgb(kInk & ~kGround)},
        {"not source erase (neither)", stretch(0x001100A6), rgb(~kInk & ~kGround)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MetafileBuilder file = c.file;
        const QImage image = draw(file.eof().bytes, QSize(20, 20));
        EXPECT_EQ(image.pixel(10, 10), c.expected)
            << std::hex << image.pixel(10, 10) << " " << c.expected;
        EXPECT_EQ(image.pixel(2, 2), kGround);
    }
}

// "HH" in a font of a 20-pixel em, its reference point at (50, 50) or at the
// current point (20, 30): the ink's left edge, middle or right edge (side bearing
// apart) and its top (below the ascent's gap), baseline or bottom (the descent
// below the baseline) sit on that point as the alignment says.
TEST(MetafileText, SitsOnItsReferencePointAsAligned) {
    enum Horizontal { StartsAt, CentredOn, EndsAt };
    enum Vertical { TopAt, BaselineAt, BottomAt };
    const struct {
        const char* name;
        int align;
        Horizontal horizontal;
        Vertical vertical;
        QPoint point;
    } cases[] = {
        {"left top", 0x0000, StartsAt, TopAt, {50, 50}},
        {"right top", 0x0002, EndsAt, TopAt, {50, 50}},
        {"centre top", 0x0006, CentredOn, TopAt, {50, 50}},
        {"left baseline", 0x0018, StartsAt, BaselineAt, {50, 50}},
        {"left bottom", 0x0008, StartsAt, BottomAt, {50, 50}},
        {"at the current point", 0x0001, StartsAt, TopAt, {20, 30}},
    };
    const double bearing[] = {1.5, 0, -1.5};
    const double gap[] = {4, 0, -5};
    QRect leftTop;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto b = MetafileBuilder::canvas(100, 100);
        b.font(-20, 400, "DejaVu Sans").select(0);
        b.record(kSetBkMode, {1});   // transparent background
        b.record(0x0214, {30, 20});  // current point (20, 30)
        b.record(kSetTextAlign, {c.align});
        b.record(kTextOut, QByteArray("\x02\x00HH\x32\x00\x32\x00", 8));
        const QRect ink = inkBounds(draw(b.eof().bytes));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_NEAR(ink.left() + (ink.width() * c.horizontal) / 2.0,
                    c.point.x() + bearing[c.horizontal], 1.5);
        EXPECT_NEAR(c.vertical == TopAt ? ink.top() : ink.bottom() + 1,
                    c.point.y() + gap[c.vertical], 2);
        EXPECT_NEAR(ink.height(), 15, 2);  // the capital height of a 20-pixel em
        leftTop = c.align == 0 ? ink : leftTop;
        EXPECT_NEAR(ink.width(), leftTop.width(), 2);
    }
}

TEST(MetafileRecords, RecordsOfImpossibleSizesAndFilesCutBeforeDrawingFail) {
    for (uint32_t words : {0u, 2u, 0x80000000u}) {
        SCOPED_TRACE(words);
        auto b = MetafileBuilder::placeable(100, 100, 96);
        le32(b.bytes, {words}).append("\x1b\x04", 2).append(QByteArray(40, '\0'));
        QString error;
        EXPECT_TRUE(wmf::render(b.bytes, QSize(50, 50), &error).isNull());
        EXPECT_EQ(error, QStringLiteral("The metafile is damaged."));
    }
    const QByteArray early = redCanvas().bytes;
    EXPECT_TRUE(wmf::render(early.left(early.size() - 3), QSize(10, 10)).isNull());
}
