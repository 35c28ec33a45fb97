// Lines, shapes, regions and the clip.
#include "playback.h"

#include <cmath>
#include <numbers>

namespace plenarvo::pictures::wmf {

void Player::shape(const QPainterPath& path, bool fill) {
    if (!canDraw()) {
        return;
    }
    // Cost: the points, the pixels a fill may cover and those its outline sweeps.
    const bool filled = fill && state_.brush.style != BrushNull;
    const double lineWidth = penPixels();
    const qint64 fillCost = filled ? coverage(toTarget_.mapRect(path.controlPointRect())) : 0;
    const qint64 lineCost = lineWidth > 0 ? swept(path, lineWidth) * kStrokePixelWeight : 0;
    // An outline is filled as a shape of twice the edges, antialiased.
    const qint64 edges = (filled ? edgeWork(path, toTarget_, false) : 0) +
                         (lineWidth > 0 ? 2 * edgeWork(path, toTarget_, true) : 0);
    if (!pay(qint64(path.elementCount()) * kElementCost + edges + fillCost + lineCost)) {
        return;
    }
    const QPainter::CompositionMode old = painter_.compositionMode();
    painter_.setCompositionMode(rop2Composition(state_.rop2, old));
    if (fill && state_.brush.style == BrushHatched && state_.opaqueBk) {
        painter_.fillPath(path, state_.bkColor);
    }
    if (fill) {
        painter_.fillPath(path, brush());
    }
    const QPen outline = pen();
    if (outline.style() != Qt::NoPen) {
        painter_.setRenderHint(QPainter::Antialiasing, true);
        painter_.strokePath(path, outline);
        painter_.setRenderHint(QPainter::Antialiasing, false);
    }
    painter_.setCompositionMode(old);
}

void Player::polyline(const QPolygonF& points) {
    if (points.size() < 2) {
        return;
    }
    QPainterPath path;
    path.addPolygon(points);
    shape(path, false);
}

QPolygonF Player::readPoints(Reader& in, int count) {
    QPolygonF points;
    if (count <= 0 || in.remaining() < qsizetype(count) * 4) {
        return points;
    }
    points.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int x = in.i16();
        const int y = in.i16();
        points.append(QPointF(x, y));
    }
    return points;
}

QRectF Player::readRect(Reader& in) {
    const int bottom = in.i16();
    const int right = in.i16();
    const int top = in.i16();
    const int left = in.i16();
    return QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
}

QPainterPath Player::arcPath(Reader& in, int kind) {
    const double yEnd = in.i16();
    const double xEnd = in.i16();
    const double yStart = in.i16();
    const double xStart = in.i16();
    const QRectF r = readRect(in);
    QPainterPath path;
    if (!in.ok() || r.isEmpty()) {
        return path;
    }
    const QPointF c = r.center();
    auto angleOf = [&](double x, double y) {
        return std::atan2(-(y - c.y()) * r.width(), (x - c.x()) * r.height()) * 180 /
               std::numbers::pi;
    };
    const double a0 = angleOf(xStart, yStart);
    double sweep = angleOf(xEnd, yEnd) - a0;
    // Arcs run counter-clockwise as seen on the page, whichever way the axes point.
    const bool flipped = toTarget_.determinant() < 0;
    if (!flipped) {
        while (sweep <= 0) {
            sweep += 360;
        }
    } else {
        while (sweep >= 0) {
            sweep -= 360;
        }
    }
    if (kind == Pie) {
        path.moveTo(c);
        path.arcTo(r, a0, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(r, a0);
        path.arcTo(r, a0, sweep);
        if (kind == Chord) {
            path.closeSubpath();
        }
    }
    return path;
}

void Player::moveTo(Reader& in) {
    const int y = in.i16();
    const int x = in.i16();
    if (in.ok()) {
        state_.current = QPointF(x, y);
    }
}

void Player::lineTo(Reader& in) {
    const int y = in.i16();
    const int x = in.i16();
    if (in.ok()) {
        polyline(QPolygonF({state_.current, QPointF(x, y)}));
        state_.current = QPointF(x, y);
    }
}

void Player::polyOrLine(uint16_t function, Reader& in) {
    const int count = in.i16();
    const QPolygonF points = readPoints(in, count);
    if (function == Polyline) {
        polyline(points);
    } else if (points.size() >= 2) {
        QPainterPath path;
        path.addPolygon(points);
        path.closeSubpath();
        path.setFillRule(state_.winding ? Qt::WindingFill : Qt::OddEvenFill);
        shape(path, true);
    }
}

void Player::polyPolygon(Reader& in) {
    const int polygons = in.u16();
    if (qsizetype(polygons) * 2 > in.remaining()) {
        return;
    }
    std::vector<int> counts(static_cast<size_t>(polygons));
    qsizetype total = 0;
    for (int& c : counts) {
        c = in.u16();
        total += c;
    }
    if (total * 4 > in.remaining()) {
        return;
    }
    QPainterPath path;
    path.setFillRule(state_.winding ? Qt::WindingFill : Qt::OddEvenFill);
    for (int c : counts) {
        const QPolygonF points = readPoints(in, c);
        if (points.size() >= 2) {
            path.addPolygon(points);
            path.closeSubpath();
        }
    }
    shape(path, true);
}

void Player::rectOrEllipse(uint16_t function, Reader& in) {
    const QRectF r = readRect(in);
    if (in.ok()) {
        QPainterPath path;
        if (function == Rectangle) {
            path.addRect(r);
        } else {
            path.addEllipse(r);
        }
        shape(path, true);
    }
}

void Player::roundRect(Reader& in) {
    const int h = in.i16();
    const int w = in.i16();
    const QRectF r = readRect(in);
    if (in.ok()) {
        QPainterPath path;
        path.addRoundedRect(r, std::abs(w) / 2.0, std::abs(h) / 2.0);
        shape(path, true);
    }
}

void Player::arc(uint16_t function, Reader& in) {
    const QPainterPath path = arcPath(in, function);
    if (!path.isEmpty()) {
        shape(path, function != Arc);
    }
}

void Player::setPixel(Reader& in) {
    const QColor c = color(in.u32());
    const int y = in.i16();
    const int x = in.i16();
    if (in.ok() && canDraw() && pay(kElementCost)) {
        const QPointF p = toTarget_.map(QPointF(x, y));
        painter_.save();
        painter_.resetTransform();
        painter_.fillRect(QRectF(std::floor(p.x()), std::floor(p.y()), pixelScale_, pixelScale_),
                          c);
        painter_.restore();
    }
}

void Player::paintRegion(uint16_t function, Reader& in) {
    const int index = in.u16();
    const int brushIndex = function == FillRegion || function == FrameRegion ? in.u16() : -1;
    if (!in.ok() || index >= int(objects_.size()) || !canDraw()) {
        return;
    }
    const auto* r = std::get_if<Region>(&objects_[size_t(index)]);
    if (!r) {
        return;
    }
    QBrush fill = brush();
    if (brushIndex >= 0 && brushIndex < int(objects_.size())) {
        if (const auto* b = std::get_if<Brush>(&objects_[size_t(brushIndex)])) {
            fill = b->style == BrushNull ? QBrush(Qt::NoBrush) : QBrush(b->color);
        }
    }
    // Cost: every rectangle of the region, and the pixels it covers or the
    // outline it sweeps.
    const bool frame = function == FrameRegion;
    const qint64 cost = qint64(r->path.elementCount()) * kElementCost +
                        edgeWork(r->path, toTarget_, frame) +
                        (frame ? swept(r->path, pixelScale_) * kStrokePixelWeight
                               : coverage(toTarget_.mapRect(r->path.controlPointRect())));
    if (!pay(cost)) {
        return;
    }
    if (frame) {
        painter_.strokePath(r->path, QPen(fill, 0));
    } else {
        painter_.fillPath(r->path, fill);
    }
}

void Player::applyClip() {
    if (!state_.clipped) {
        painter_.setClipping(false);
        return;
    }
    painter_.resetTransform();
    painter_.setClipPath(state_.clip);
    painter_.setWorldTransform(toTarget_);
}

void Player::setClip(const QPainterPath& devicePath) {
    // Clip paths grow with every rectangle cut out of them; past a few thousand
    // corners their bounding box does, so that a flood of clip records stays cheap.
    pay(1000 + qint64(devicePath.elementCount()) * kElementCost +
        edgeWork(devicePath, QTransform(), false));
    state_.clip = devicePath;
    if (devicePath.elementCount() > 4000) {
        state_.clip = QPainterPath();
        state_.clip.addRect(devicePath.boundingRect());
    }
    state_.clipped = true;
    applyClip();
}

void Player::selectClipRegion(Reader& in) {
    const int index = in.u16();
    const Region* r = in.ok() && index < int(objects_.size())
                          ? std::get_if<Region>(&objects_[size_t(index)])
                          : nullptr;
    if (r) {
        setClip(toTarget_.map(r->path));
    } else {
        state_.clipped = false;
        applyClip();
    }
}

void Player::clipRect(uint16_t function, Reader& in) {
    const QRectF r = readRect(in);
    if (!in.ok() || !transformOk_) {
        return;
    }
    QPainterPath rect;
    rect.addRect(toTarget_.mapRect(r));
    QPainterPath base = state_.clip;
    if (!state_.clipped) {
        base = QPainterPath();
        base.addRect(QRectF(image_.rect()));
    }
    setClip(function == IntersectClipRect ? base.intersected(rect) : base.subtracted(rect));
}

void Player::offsetClip(Reader& in) {
    const int y = in.i16();
    const int x = in.i16();
    if (in.ok() && state_.clipped && transformOk_) {
        setClip(state_.clip.translated(x * toTarget_.m11(), y * toTarget_.m22()));
    }
}

}  // namespace plenarvo::pictures::wmf
