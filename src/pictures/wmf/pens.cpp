// Pens and brushes as the painter draws them.
#include "playback.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace plenarvo::pictures::wmf {

namespace {

// Dash patterns in shown pixels, as on the screen.
QList<qreal> dashesOf(int style) {
    switch (style) {
        case PenDash:
            return {18, 6};
        case PenDot:
            return {3, 3};
        case PenDashDot:
            return {9, 6, 3, 6};
        case PenDashDotDot:
            return {9, 3, 3, 3, 3, 3};
        default:
            return {};
    }
}

Qt::PenCapStyle capOf(int style) {
    switch (style & kPenEndCap) {
        case kPenEndCapSquare:
            return Qt::SquareCap;
        case kPenEndCapFlat:
            return Qt::FlatCap;
        default:
            return Qt::RoundCap;
    }
}

Qt::PenJoinStyle joinOf(int style) {
    switch (style & kPenJoin) {
        case kPenJoinBevel:
            return Qt::BevelJoin;
        case kPenJoinMiter:
            return Qt::MiterJoin;
        default:
            return Qt::RoundJoin;
    }
}

}  // namespace

double Player::penPixels() const {
    const Pen& p = state_.pen;
    if ((p.style & kPenStyle) == PenNull) {
        return 0;
    }
    const double scale = std::sqrt(std::abs(toTarget_.determinant()));
    const double cap = 4.0 * (image_.width() + image_.height());
    return std::min(std::max(std::abs(p.width) * scale, pixelScale_), cap);
}

QPen Player::pen() const {
    const Pen& p = state_.pen;
    const int style = p.style & kPenStyle;
    if (style == PenNull) {
        return Qt::NoPen;
    }
    QPen pen(p.color);
    const double scale = std::sqrt(std::abs(toTarget_.determinant()));
    const double deviceWidth = std::abs(p.width) * scale;
    // Width 0 is the one-pixel line; other thin pens keep their true width, which
    // antialiasing shows as a lighter line, as on a finer device.
    if (p.width == 0 || deviceWidth < 0.25 * pixelScale_) {
        pen.setCosmetic(true);
        pen.setWidthF(pixelScale_);
    } else {
        // A stroke far wider than the picture looks the same as a capped one.
        const double cap = 4.0 * (image_.width() + image_.height()) / scale;
        pen.setWidthF(std::min<double>(std::abs(p.width), cap));
    }
    // Writers of today put styled wide lines in metafiles and mean them dashed, so
    // the style holds at any width. Dashes keep their lengths in device pixels, as on
    // the screen, whatever the width of the line.
    QList<qreal> dashes = dashesOf(style);
    if (!dashes.isEmpty()) {
        // Pattern lengths count in pen widths: a cosmetic pen is already one
        // shown pixel wide.
        const double unit = pen.isCosmetic() ? 1.0 : std::max(deviceWidth, 1.0) / pixelScale_;
        for (qreal& d : dashes) {
            d = std::max(d / unit, 0.05);
        }
        pen.setDashPattern(dashes);
    }
    pen.setCapStyle(capOf(p.style));
    pen.setJoinStyle(joinOf(p.style));
    return pen;
}

QBrush Player::brush() const {
    const Brush& b = state_.brush;
    switch (b.style) {
        case BrushSolid:
            return QBrush(b.color);
        case BrushHatched: {
            static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                         Qt::FDiagPattern, Qt::BDiagPattern,
                                                         Qt::CrossPattern, Qt::DiagCrossPattern};
            QBrush brush(b.color, hatches[std::clamp(b.hatch, 0, int(std::size(hatches)) - 1)]);
            brush.setTransform(toTarget_.inverted());
            return brush;
        }
        case BrushPattern:
        case BrushDibPattern:
            if (!b.pattern.isNull()) {
                QBrush brush(b.pattern);
                brush.setTransform(toTarget_.inverted());
                return brush;
            }
            return QBrush(b.color);
        default:
            return Qt::NoBrush;
    }
}

}  // namespace plenarvo::pictures::wmf
