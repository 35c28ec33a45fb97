// What drawing costs: every record is charged, before it is drawn, with an
// estimate of the pixels it touches, out of the budget the file is played with.
#include "playback.h"

#include <algorithm>
#include <cmath>

namespace plenarvo::pictures::wmf {

// Takes `cost` out of the budget when it is there. When it is not, the budget
// counts as spent: nothing more is drawn.
bool Player::pay(qint64 cost) {
    if (cost < 0 || cost > budget_ - spent_) {
        spent_ = budget_ + 1;
        return false;
    }
    spent_ += cost;
    return true;
}

// Pixels of the image a rectangle in image pixels covers.
qint64 Player::coverage(const QRectF& device) const {
    const QRectF r = device.normalized().intersected(QRectF(image_.rect()));
    return r.isEmpty() ? 0 : qint64(std::ceil(r.width() * r.height()));
}

// Pixels a line of `width` image pixels sweeps along a path in logical units.
qint64 Player::swept(const QPainterPath& path, double width) const {
    double length = 0;
    QPointF last;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p = toTarget_.map(QPointF(e.x, e.y));
        if (!e.isMoveTo()) {
            length += std::hypot(p.x() - last.x(), p.y() - last.y());
        }
        last = p;
    }
    // A line sweeps its length times its width, plus its ends and joins.
    const double w = std::max(width, 1.0);
    const double area = length * w + double(path.elementCount()) * w * w;
    return area > 1e15 ? qint64(1e15) : qint64(area);
}

// What a scanline fill of a path costs beyond its pixels: every edge is stepped
// across every row of the image it crosses, and the more edges cross a row at
// once, the more each step costs (far more when antialiased). `transform` maps
// the path to image pixels.
qint64 Player::edgeWork(const QPainterPath& path, const QTransform& transform,
                        bool antialiased) const {
    const double height = image_.height();
    double rows = 0;
    double top = height;
    double bottom = 0;
    QPointF last;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QPointF p = transform.map(QPointF(e.x, e.y));
        if (!e.isMoveTo()) {
            const double from = std::max(std::min(p.y(), last.y()), 0.0);
            const double to = std::min(std::max(p.y(), last.y()), height);
            rows += std::max(to - from, 0.0) + 1;
            top = std::min(top, from);
            bottom = std::max(bottom, to);
        }
        last = p;
    }
    const double crossing = rows / std::max(bottom - top, 1.0);  // edges on a row, on average
    const double work =
        rows * (double(kEdgeRowCost) + crossing / (antialiased ? 1.0 : kAliasedCrossingDivisor));
    return work > 1e15 ? qint64(1e15) : qint64(work);
}

// Pixels of the pattern brushes the object table holds.
qint64 Player::patternPixels() const {
    qint64 held = 0;
    for (const Object& o : objects_) {
        if (const auto* b = std::get_if<Brush>(&o)) {
            held += qint64(b->pattern.width()) * b->pattern.height();
        }
    }
    return held;
}

void Player::trackPatterns() {
    patternPixelsPeak_ = std::max(patternPixelsPeak_, patternPixels());
}

}  // namespace plenarvo::pictures::wmf
