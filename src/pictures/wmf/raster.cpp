// Bitmaps and raster operations: how pens, brushes and bitmaps combine with
// what is already on the page.
#include "playback.h"

#include "dib.h"

namespace plenarvo::pictures::wmf {

namespace {

// The composition that draws a bitmap under `rop`; source-over for a plain copy
// and for the operations drawn as one.
QPainter::CompositionMode rop3Composition(uint32_t rop) {
    switch (rop) {
        case RopSrcAnd:
            return QPainter::RasterOp_SourceAndDestination;
        case RopSrcPaint:
            return QPainter::RasterOp_SourceOrDestination;
        case RopSrcInvert:
            return QPainter::RasterOp_SourceXorDestination;
        case RopNotSrcCopy:
            return QPainter::RasterOp_NotSource;
        case RopSrcErase:
            return QPainter::RasterOp_SourceAndNotDestination;
        case RopNotSrcErase:
            return QPainter::RasterOp_NotSourceAndNotDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

}  // namespace

QPainter::CompositionMode Player::rop2Composition(int rop2, QPainter::CompositionMode otherwise) {
    switch (rop2) {
        case Rop2Black:
            return QPainter::CompositionMode_Clear;
        case Rop2Not:
            return QPainter::RasterOp_NotDestination;
        case Rop2Xor:
            return QPainter::RasterOp_SourceXorDestination;
        case Rop2Mask:
            return QPainter::RasterOp_SourceAndDestination;
        case Rop2Merge:
            return QPainter::RasterOp_SourceOrDestination;
        default:
            return otherwise;
    }
}

// The bitmap the rest of the record holds, paid for out of the drawing budget.
QImage Player::bitmap(const Reader& in, bool paletteIndices, qint64 maxPixels) {
    if (overBudget()) {
        return {};
    }
    QImage image = decodeDib(in.here(), in.remaining(), paletteIndices, maxPixels);
    spent_ += qint64(image.width()) * image.height();
    return image;
}

void Player::blit(uint32_t rop, const QRectF& dest, const QImage& image, QRectF source) {
    if (!canDraw() || dest.width() == 0 || dest.height() == 0) {
        return;
    }
    const QRectF area = dest.normalized();
    if (!pay(coverage(toTarget_.mapRect(area)) + 1)) {
        return;
    }
    // The operations that need no bitmap.
    switch (rop) {
        case RopBlackness:
            painter_.fillRect(area, Qt::black);
            return;
        case RopWhiteness:
            painter_.fillRect(area, Qt::white);
            return;
        case RopPatCopy:
            if (state_.brush.style != BrushNull) {
                painter_.fillRect(area, brush());
            }
            return;
        case RopDstInvert:
            painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter_.fillRect(area, Qt::white);
            painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
            return;
        case RopDstCopy:
            return;
        default:
            break;
    }
    if (image.isNull()) {
        return;
    }
    source = source.intersected(QRectF(image.rect()));
    if (source.isEmpty()) {
        return;
    }
    const QPainter::CompositionMode mode = rop3Composition(rop);
    painter_.save();
    painter_.setCompositionMode(mode);
    if (mode != QPainter::CompositionMode_SourceOver) {
        // Bitwise operations are exact only without smoothing.
        painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter_.setRenderHint(QPainter::Antialiasing, false);
    }
    painter_.translate(dest.topLeft());
    painter_.scale(dest.width() / source.width(), dest.height() / source.height());
    painter_.drawImage(QRectF(QPointF(0, 0), source.size()), image, source);
    painter_.restore();
}

void Player::patBlt(Reader& in) {
    const uint32_t rop = in.u32();
    const int h = in.i16();
    const int w = in.i16();
    const int y = in.i16();
    const int x = in.i16();
    if (in.ok()) {
        blit(rop, QRectF(x, y, w, h), QImage(), QRectF());
    }
}

void Player::stretchDib(Reader& in) {
    const uint32_t rop = in.u32();
    const int usage = in.u16();
    const int srcH = in.i16();
    const int srcW = in.i16();
    const int ySrc = in.i16();
    const int xSrc = in.i16();
    const int h = in.i16();
    const int w = in.i16();
    const int y = in.i16();
    const int x = in.i16();
    if (!in.ok()) {
        return;
    }
    const QImage image = bitmap(in, usage == kDibPaletteColours, kMaxBitmapPixels);
    // Source rows count from the bitmap's bottom edge.
    const QRectF source(xSrc, image.height() - ySrc - srcH, srcW, srcH);
    blit(rop, QRectF(x, y, w, h), image, source.normalized());
}

void Player::dibBlt(uint16_t function, Reader& in) {
    const bool stretch = function == DibStretchBlt;
    // Without a bitmap the record is that many bytes long and has a reserved word.
    const bool withBitmap = in.remaining() != (stretch ? 22 : 18);
    const uint32_t rop = in.u32();
    int srcH = 0;
    int srcW = 0;
    if (stretch) {
        srcH = in.i16();
        srcW = in.i16();
    }
    const int ySrc = in.i16();
    const int xSrc = in.i16();
    if (!withBitmap) {
        in.i16();
    }
    const int h = in.i16();
    const int w = in.i16();
    const int y = in.i16();
    const int x = in.i16();
    if (!in.ok()) {
        return;
    }
    if (!stretch) {
        srcH = h;
        srcW = w;
    }
    const QImage image = withBitmap ? bitmap(in, false, kMaxBitmapPixels) : QImage();
    blit(rop, QRectF(x, y, w, h), image, QRectF(xSrc, ySrc, srcW, srcH).normalized());
}

void Player::setDiBits(Reader& in) {
    const int usage = in.u16();
    in.u16();  // scan count
    in.u16();  // start scan
    const int yDib = in.i16();
    const int xDib = in.i16();
    const int h = in.i16();
    const int w = in.i16();
    const int y = in.i16();
    const int x = in.i16();
    if (!in.ok()) {
        return;
    }
    const QImage image = bitmap(in, usage == kDibPaletteColours, kMaxBitmapPixels);
    blit(RopSrcCopy, QRectF(x, y, w, h), image,
         QRectF(xDib, image.height() - yDib - h, w, h).normalized());
}

}  // namespace plenarvo::pictures::wmf
