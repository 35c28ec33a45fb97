#include "player.h"

#include "dib.h"
#include "text.h"

#include "pictures/cost.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <variant>
#include <vector>

namespace plenarvo::pictures::wmf {

using detail::cancelled;

namespace {

enum Function : uint16_t {
    Eof = 0x0000,
    SetBkColor = 0x0201,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetRop2 = 0x0104,
    SetPolyFillMode = 0x0106,
    SetStretchBltMode = 0x0107,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    SetViewportOrg = 0x020D,
    SetViewportExt = 0x020E,
    OffsetWindowOrg = 0x020F,
    ScaleWindowExt = 0x0410,
    OffsetViewportOrg = 0x0211,
    ScaleViewportExt = 0x0412,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    ExcludeClipRect = 0x0415,
    IntersectClipRect = 0x0416,
    Arc = 0x0817,
    Ellipse = 0x0418,
    Pie = 0x081A,
    Rectangle = 0x041B,
    RoundRect = 0x061C,
    PatBlt = 0x061D,
    SaveDc = 0x001E,
    SetPixel = 0x041F,
    OffsetClipRgn = 0x0220,
    TextOut = 0x0521,
    Polygon = 0x0324,
    Polyline = 0x0325,
    RestoreDc = 0x0127,
    FillRegion = 0x0228,
    FrameRegion = 0x0429,
    PaintRegion = 0x012B,
    SelectClipRegion = 0x012C,
    SelectObject = 0x012D,
    SetTextAlign = 0x012E,
    Chord = 0x0830,
    ExtTextOut = 0x0A32,
    SetDiBitsToDevice = 0x0D33,
    SelectPalette = 0x0234,
    PolyPolygon = 0x0538,
    DibBitBlt = 0x0940,
    DibStretchBlt = 0x0B41,
    DibCreatePatternBrush = 0x0142,
    StretchDib = 0x0F43,
    DeleteObject = 0x01F0,
    CreatePalette = 0x00F7,
    CreatePatternBrush = 0x01F9,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    CreateRegion = 0x06FF,
};

enum MapMode {
    MmText = 1,
    MmLoMetric,
    MmHiMetric,
    MmLoEnglish,
    MmHiEnglish,
    MmTwips,
    MmIsotropic,
    MmAnisotropic
};

double unitsPerInchOf(int mode) {
    switch (mode) {
        case MmLoMetric:
            return 254;
        case MmHiMetric:
            return 2540;
        case MmLoEnglish:
            return 100;
        case MmHiEnglish:
            return 1000;
        case MmTwips:
            return 1440;
        default:
            return 0;  // the window sets the scale
    }
}

QColor colorOf(uint32_t ref) {
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

bool isDrawing(uint16_t f) {
    switch (f) {
        case LineTo:
        case Arc:
        case Ellipse:
        case Pie:
        case Rectangle:
        case RoundRect:
        case PatBlt:
        case SetPixel:
        case TextOut:
        case Polygon:
        case Polyline:
        case FillRegion:
        case FrameRegion:
        case PaintRegion:
        case Chord:
        case ExtTextOut:
        case SetDiBitsToDevice:
        case PolyPolygon:
        case DibBitBlt:
        case DibStretchBlt:
        case StretchDib:
            return true;
        default:
            return false;
    }
}

struct Pen {
    int style = 0;  // PS_SOLID
    int width = 0;
    QColor color = Qt::black;
};

struct Brush {
    int style = 0;  // BS_SOLID
    QColor color = Qt::white;
    int hatch = 0;
    QImage pattern;
};

struct Font {
    int height = 0;
    int width = 0;
    int escapement = 0;
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charset = 0;
    int pitchAndFamily = 0;
    QString face;
};

struct Palette {
    std::vector<QColor> colors;
};

struct Region {
    QPainterPath path;  // logical units
};

using Object = std::variant<std::monostate, Pen, Brush, Font, Palette, Region>;

// Everything SaveDC keeps.
struct State {
    int mapMode = MmAnisotropic;
    QPointF windowOrg;
    QSizeF windowExt;
    QPointF viewportOrg;
    QSizeF viewportExt;
    bool viewportOrgSet = false;
    bool viewportExtSet = false;
    Pen pen;
    Brush brush;
    Font font;
    QColor bkColor = Qt::white;
    QColor textColor = Qt::black;
    bool opaqueBk = true;
    int textAlign = 0;
    bool winding = false;
    int rop2 = 13;  // R2_COPYPEN
    QPointF current;
    bool clipped = false;
    QPainterPath clip;  // target pixels
};

class Player {
public:
    Player(const Header& header, const Frame& frame, QImage& image, double pixelScale)
        : frame_(frame), image_(image), painter_(&image), pixelScale_(pixelScale) {
        // Fills are drawn as the metafile's own platform draws them, without
        // antialiasing, so that shapes laid edge to edge leave no seam; lines and
        // text keep theirs. A picture drawn smaller than its natural size is
        // smoothed by drawing it larger and shrinking it.
        painter_.setRenderHints(QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
        state_.windowOrg = frame.rect.topLeft();
        state_.windowExt = frame.rect.size();
        objects_.resize(size_t(std::clamp(header.objectCount, 0, kMaxObjects)));
        updateTransform();
    }

    // Plays one record; `in` holds its parameters.
    void record(uint16_t function, Reader in);

    bool overBudget() const { return spent_ > budget_; }
    qint64 spent() const { return spent_; }
    qint64 patternPixelsHeld() const { return patternPixelsPeak_; }

private:
    // A colour reference: a colour, or an index into the selected palette.
    QColor color(uint32_t ref) const {
        const size_t index = ref & 0xFFFF;
        if ((ref >> 24) == 1 && index < palette_.colors.size()) {
            return palette_.colors[index];
        }
        return colorOf(ref);
    }

    // The bitmap the rest of the record holds, paid for out of the drawing budget.
    QImage bitmap(const Reader& in, bool paletteIndices, qint64 maxPixels = kMaxBitmapPixels) {
        if (overBudget()) {
            return {};
        }
        QImage image = decodeDib(in.here(), in.remaining(), paletteIndices, maxPixels);
        spent_ += qint64(image.width()) * image.height();
        return image;
    }

    // Takes `cost` out of the budget when it is there. When it is not, the budget
    // counts as spent: nothing more is drawn.
    bool pay(qint64 cost) {
        if (cost < 0 || cost > budget_ - spent_) {
            spent_ = budget_ + 1;
            return false;
        }
        spent_ += cost;
        return true;
    }
    // Pixels of the image a rectangle in image pixels covers.
    qint64 coverage(const QRectF& device) const {
        const QRectF r = device.normalized().intersected(QRectF(image_.rect()));
        return r.isEmpty() ? 0 : qint64(std::ceil(r.width() * r.height()));
    }
    // What a scanline fill of a path costs beyond its pixels: every edge is
    // stepped across every row of the image it crosses, and the more edges cross
    // a row at once, the more each step costs (far more when antialiased).
    // `transform` maps the path to image pixels.
    qint64 edgeWork(const QPainterPath& path, const QTransform& transform, bool antialiased) const;
    // Pixels a line of `width` image pixels sweeps along a path in logical units.
    qint64 swept(const QPainterPath& path, double width) const;
    // The width in image pixels a pen draws.
    double penPixels() const;
    void trackPatterns();
    qint64 patternPixels() const;

private:
    void updateTransform();
    void applyClip();
    void setClip(const QPainterPath& devicePath);
    QPen pen() const;
    QBrush brush() const;
    void shape(const QPainterPath& path, bool fill);
    void polyline(const QPolygonF& points);
    void text(QPointF at, const QByteArray& bytes, const std::vector<int>& dx, int options,
              const QRectF* box);
    void blit(uint32_t rop, const QRectF& dest, const QImage& image, QRectF source);
    void addObject(Object object);
    QPolygonF readPoints(Reader& in, int count);
    QRectF readRect(Reader& in);  // bottom, right, top, left as the records store them
    QPainterPath arcPath(Reader& in, int kind);
    bool canDraw() const { return transformOk_ && !overBudget() && state_.rop2 != 11; }

    const Frame& frame_;
    QImage& image_;
    QPainter painter_;
    State state_;
    std::vector<State> saved_;
    std::vector<Object> objects_;
    Palette palette_;
    QTransform toTarget_;
    bool transformOk_ = true;
    qint64 spent_ = 0;
    double pixelScale_ = 1;
    qint64 patternPixelsPeak_ = 0;

public:
    qint64 budget_ = kDrawingBudget;
};

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

double Player::penPixels() const {
    const Pen& p = state_.pen;
    if ((p.style & 0x0F) == 5) {
        return 0;
    }
    const double scale = std::sqrt(std::abs(toTarget_.determinant()));
    const double cap = 4.0 * (image_.width() + image_.height());
    return std::min(std::max(std::abs(p.width) * scale, pixelScale_), cap);
}

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

void Player::updateTransform() {
    const State& s = state_;
    const QRectF& f = frame_.rect;
    double sx = 1;
    double sy = 1;
    QPointF origin = s.viewportOrgSet ? s.viewportOrg : f.topLeft();
    const double fixedUnits = unitsPerInchOf(s.mapMode);
    if (fixedUnits > 0) {
        sx = frame_.unitsPerInch / fixedUnits;
        sy = -sx;
    } else {
        const QSizeF vp = s.viewportExtSet ? s.viewportExt : f.size();
        sx = s.windowExt.width() != 0 ? vp.width() / s.windowExt.width() : 1;
        sy = s.windowExt.height() != 0 ? vp.height() / s.windowExt.height() : 1;
        if (s.mapMode == MmIsotropic) {
            const double m = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(m, sx);
            sy = std::copysign(m, sy);
        }
    }
    // logical -> frame: (p - windowOrg) * scale + origin; frame -> target pixels.
    const double kx = image_.width() / f.width();
    const double ky = image_.height() / f.height();
    const double m11 = sx * kx;
    const double m22 = sy * ky;
    const double dx = (origin.x() - s.windowOrg.x() * sx - f.left()) * kx;
    const double dy = (origin.y() - s.windowOrg.y() * sy - f.top()) * ky;
    transformOk_ = std::isfinite(m11) && std::isfinite(m22) && std::isfinite(dx) &&
                   std::isfinite(dy) && m11 != 0 && m22 != 0 && std::abs(m11) < 1e6 &&
                   std::abs(m22) < 1e6 && std::abs(dx) < 1e9 && std::abs(dy) < 1e9;
    toTarget_ = transformOk_ ? QTransform(m11, 0, 0, m22, dx, dy) : QTransform();
    painter_.setWorldTransform(toTarget_);
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

QPen Player::pen() const {
    const Pen& p = state_.pen;
    const int style = p.style & 0x0F;
    if (style == 5) {  // PS_NULL
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
    QList<qreal> dashes;
    switch (style) {
        case 1:
            dashes = {18, 6};
            break;
        case 2:
            dashes = {3, 3};
            break;
        case 3:
            dashes = {9, 6, 3, 6};
            break;
        case 4:
            dashes = {9, 3, 3, 3, 3, 3};
            break;
        default:
            break;
    }
    if (!dashes.isEmpty()) {
        // Pattern lengths count in pen widths: a cosmetic pen is already one
        // shown pixel wide.
        const double unit = pen.isCosmetic() ? 1.0 : std::max(deviceWidth, 1.0) / pixelScale_;
        for (qreal& d : dashes) {
            d = std::max(d / unit, 0.05);
        }
        pen.setDashPattern(dashes);
    }
    switch (p.style & 0x0F00) {
        case 0x0100:
            pen.setCapStyle(Qt::SquareCap);
            break;
        case 0x0200:
            pen.setCapStyle(Qt::FlatCap);
            break;
        default:
            pen.setCapStyle(Qt::RoundCap);
            break;
    }
    switch (p.style & 0xF000) {
        case 0x1000:
            pen.setJoinStyle(Qt::BevelJoin);
            break;
        case 0x2000:
            pen.setJoinStyle(Qt::MiterJoin);
            break;
        default:
            pen.setJoinStyle(Qt::RoundJoin);
            break;
    }
    return pen;
}

QBrush Player::brush() const {
    const Brush& b = state_.brush;
    switch (b.style) {
        case 0:
            return QBrush(b.color);
        case 2: {
            static constexpr Qt::BrushStyle hatches[] = {Qt::HorPattern,   Qt::VerPattern,
                                                         Qt::FDiagPattern, Qt::BDiagPattern,
                                                         Qt::CrossPattern, Qt::DiagCrossPattern};
            QBrush brush(b.color, hatches[std::clamp(b.hatch, 0, 5)]);
            brush.setTransform(toTarget_.inverted());
            return brush;
        }
        case 3:
        case 5:
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

void Player::shape(const QPainterPath& path, bool fill) {
    if (!canDraw()) {
        return;
    }
    // Cost: the points, the pixels a fill may cover and those its outline sweeps.
    const bool filled = fill && state_.brush.style != 1;
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
    switch (state_.rop2) {
        case 1:
            painter_.setCompositionMode(QPainter::CompositionMode_Clear);
            break;
        case 6:
            painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
            break;
        case 7:
            painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            break;
        case 9:
            painter_.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            break;
        case 15:
            painter_.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
            break;
        default:
            break;
    }
    if (fill && state_.brush.style == 2 && state_.opaqueBk) {
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

void Player::addObject(Object object) {
    for (auto& slot : objects_) {
        if (std::holds_alternative<std::monostate>(slot)) {
            slot = std::move(object);
            return;
        }
    }
    // Some writers count their objects short; grow the table within bounds.
    if (objects_.size() < size_t(kMaxObjects)) {
        objects_.push_back(std::move(object));
    }
}

void Player::text(QPointF at, const QByteArray& bytes, const std::vector<int>& dx, int options,
                  const QRectF* box) {
    if (!canDraw()) {
        return;
    }
    const State& s = state_;
    if (box && (options & 0x0002)) {  // ETO_OPAQUE
        if (!pay(coverage(toTarget_.mapRect(*box)))) {
            return;
        }
        painter_.fillRect(*box, s.bkColor);
    }
    if (bytes.isEmpty()) {
        return;
    }
    const bool updateCp = s.textAlign & 0x0001;
    if (updateCp) {
        at = s.current;
    }
    const double scaleX = std::abs(toTarget_.m11());
    const double scaleY = std::abs(toTarget_.m22());
    const Font& f = s.font;
    double emPixels = (f.height == 0 ? frame_.unitsPerInch / 6 : std::abs(f.height)) * scaleY;

    QFont font;
    const bool symbol = isSymbolFace(f.face);
    switch (f.pitchAndFamily & 0xF0) {
        case 0x10:
            font.setStyleHint(QFont::Serif);
            break;
        case 0x20:
            font.setStyleHint(QFont::SansSerif);
            break;
        case 0x30:
            font.setStyleHint(QFont::Monospace);
            break;
        case 0x40:
            font.setStyleHint(QFont::Cursive);
            break;
        case 0x50:
            font.setStyleHint(QFont::Decorative);
            break;
        default:
            break;
    }
    font.setFamilies({symbol ? QStringLiteral("DejaVu Serif") : f.face});
    font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? 400 : f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    const double dpi = image_.logicalDpiY() > 0 ? image_.logicalDpiY() : 96;
    const double limit = 4.0 * (image_.width() + image_.height());
    if (emPixels < 0.3 || emPixels > limit) {
        return;
    }
    font.setPointSizeF(emPixels * 72 / dpi);
    if (f.height > 0) {  // a cell height: ascent plus descent
        const QFontMetricsF m(font, &image_);
        if (m.height() > 0) {
            emPixels = emPixels * emPixels / m.height();
            font.setPointSizeF(emPixels * 72 / dpi);
        }
    }
    if (f.width > 0) {
        const QFontMetricsF m(font, &image_);
        if (m.averageCharWidth() > 0) {
            const double stretch = f.width * scaleX / m.averageCharWidth() * 100;
            font.setStretch(std::clamp(int(std::lround(stretch)), 1, 4000));
        }
    }
    std::vector<int> ends;
    const QString string = decodeText(bytes, f.charset, symbol, &ends);
    const QFontMetricsF metrics(font, &image_);
    // Cost: each glyph covers about a square of the font's size, however the
    // glyphs are spaced (stacked on one spot, each is still drawn).
    const qint64 imageArea = qint64(image_.width()) * image_.height();
    const double em = metrics.height();
    const qint64 glyphArea = std::min<qint64>(qint64(std::ceil(em * em)), imageArea);
    if (!pay(qint64(string.size()) * (glyphArea * kTextPixelWeight + kElementCost))) {
        return;
    }

    // Per-character positions from the advances, when the record has one per byte.
    std::vector<double> offsets;
    double width = 0;
    if (dx.size() >= size_t(bytes.size()) && !string.isEmpty()) {
        offsets.reserve(size_t(string.size()));
        int byte = 0;
        for (qsizetype i = 0; i < string.size(); ++i) {
            offsets.push_back(width);
            for (; byte <= ends[size_t(i)]; ++byte) {
                width += dx[size_t(byte)] * scaleX;
            }
        }
    } else {
        width = metrics.horizontalAdvance(string);
    }

    const QPointF origin = toTarget_.map(at);
    double x0 = 0;
    switch (s.textAlign & 0x0006) {
        case 0x0002:
            x0 = -width;
            break;
        case 0x0006:
            x0 = -width / 2;
            break;
        default:
            break;
    }
    double baseline = 0;
    switch (s.textAlign & 0x0018) {
        case 0x0008:
            baseline = -metrics.descent();
            break;
        case 0x0018:
            break;
        default:
            baseline = metrics.ascent();
            break;
    }

    painter_.save();
    painter_.resetTransform();
    if (box && (options & 0x0004)) {  // ETO_CLIPPED
        painter_.setClipRect(toTarget_.mapRect(*box), Qt::IntersectClip);
    }
    painter_.translate(origin);
    painter_.rotate(-f.escapement / 10.0);
    if (s.opaqueBk) {
        painter_.fillRect(QRectF(x0, baseline - metrics.ascent(), width, metrics.height()),
                          s.bkColor);
    }
    painter_.setFont(font);
    painter_.setPen(s.textColor);
    if (offsets.empty()) {
        painter_.drawText(QPointF(x0, baseline), string);
    } else {
        for (qsizetype i = 0; i < string.size(); ++i) {
            const QChar c = string.at(i);
            if (c.isHighSurrogate() && i + 1 < string.size()) {
                painter_.drawText(QPointF(x0 + offsets[size_t(i)], baseline), string.mid(i, 2));
                ++i;
            } else {
                painter_.drawText(QPointF(x0 + offsets[size_t(i)], baseline), QString(c));
            }
        }
    }
    painter_.restore();

    if (updateCp) {
        const double move = (s.textAlign & 0x0006) == 0x0006   ? 0
                            : (s.textAlign & 0x0006) == 0x0002 ? -width
                                                               : width;
        const double angle = f.escapement / 10.0 * std::numbers::pi / 180;
        const QPointF end = origin + QPointF(move * std::cos(angle), -move * std::sin(angle));
        state_.current = toTarget_.inverted().map(end);
    }
}

void Player::blit(uint32_t rop, const QRectF& dest, const QImage& image, QRectF source) {
    if (!canDraw() || dest.width() == 0 || dest.height() == 0) {
        return;
    }
    const QRectF area = dest.normalized();
    if (!pay(coverage(toTarget_.mapRect(area)) + 1)) {
        return;
    }
    switch (rop) {
        case 0x00000042:  // BLACKNESS
            painter_.fillRect(area, Qt::black);
            return;
        case 0x00FF0062:  // WHITENESS
            painter_.fillRect(area, Qt::white);
            return;
        case 0x00F00021:  // PATCOPY
            if (state_.brush.style != 1) {
                painter_.fillRect(area, brush());
            }
            return;
        case 0x00550009:  // DSTINVERT
            painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter_.fillRect(area, Qt::white);
            painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
            return;
        case 0x00AA0029:  // D: leaves the destination alone
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
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    switch (rop) {
        case 0x008800C6:
            mode = QPainter::RasterOp_SourceAndDestination;
            break;  // SRCAND
        case 0x00EE0086:
            mode = QPainter::RasterOp_SourceOrDestination;
            break;  // SRCPAINT
        case 0x00660046:
            mode = QPainter::RasterOp_SourceXorDestination;
            break;  // SRCINVERT
        case 0x00330008:
            mode = QPainter::RasterOp_NotSource;
            break;  // NOTSRCCOPY
        case 0x00440328:
            mode = QPainter::RasterOp_SourceAndNotDestination;
            break;  // SRCERASE
        case 0x001100A6:
            mode = QPainter::RasterOp_NotSourceAndNotDestination;
            break;
        default:
            break;
    }
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

void Player::record(uint16_t function, Reader in) {
    State& s = state_;
    switch (function) {
        case SetBkColor:
            s.bkColor = color(in.u32());
            break;
        case SetBkMode:
            s.opaqueBk = in.u16() == 2;
            break;
        case SetTextColor:
            s.textColor = color(in.u32());
            break;
        case SetTextAlign:
            s.textAlign = in.u16();
            break;
        case SetPolyFillMode:
            s.winding = in.u16() == 2;
            break;
        case SetRop2: {
            const int rop = in.u16();
            if (in.ok()) {
                s.rop2 = rop;
            }
            break;
        }
        case SetMapMode: {
            const int mode = in.u16();
            if (in.ok() && mode >= MmText && mode <= MmAnisotropic) {
                s.mapMode = mode;
                updateTransform();
            }
            break;
        }
        case SetWindowOrg:
        case SetWindowExt:
        case SetViewportOrg:
        case SetViewportExt:
        case OffsetWindowOrg:
        case OffsetViewportOrg: {
            const int y = in.i16();
            const int x = in.i16();
            if (!in.ok()) {
                break;
            }
            switch (function) {
                case SetWindowOrg:
                    s.windowOrg = QPointF(x, y);
                    break;
                case SetWindowExt:
                    if (x != 0 && y != 0) {
                        s.windowExt = QSizeF(x, y);
                    }
                    break;
                case SetViewportOrg:
                    s.viewportOrg = QPointF(x, y);
                    s.viewportOrgSet = true;
                    break;
                case SetViewportExt:
                    if (x != 0 && y != 0) {
                        s.viewportExt = QSizeF(x, y);
                        s.viewportExtSet = true;
                    }
                    break;
                case OffsetWindowOrg:
                    s.windowOrg += QPointF(x, y);
                    break;
                default:
                    s.viewportOrg =
                        (s.viewportOrgSet ? s.viewportOrg : frame_.rect.topLeft()) + QPointF(x, y);
                    s.viewportOrgSet = true;
                    break;
            }
            updateTransform();
            break;
        }
        case ScaleWindowExt:
        case ScaleViewportExt: {
            const int yDen = in.i16();
            const int yNum = in.i16();
            const int xDen = in.i16();
            const int xNum = in.i16();
            if (!in.ok() || xDen == 0 || yDen == 0 || xNum == 0 || yNum == 0) {
                break;
            }
            if (function == ScaleWindowExt) {
                s.windowExt =
                    QSizeF(s.windowExt.width() * xNum / xDen, s.windowExt.height() * yNum / yDen);
            } else {
                const QSizeF vp = s.viewportExtSet ? s.viewportExt : frame_.rect.size();
                s.viewportExt = QSizeF(vp.width() * xNum / xDen, vp.height() * yNum / yDen);
                s.viewportExtSet = true;
            }
            updateTransform();
            break;
        }
        case SaveDc:
            if (saved_.size() < size_t(kMaxSavedStates)) {
                saved_.push_back(s);
            }
            break;
        case RestoreDc: {
            const int n = in.i16();
            if (!in.ok() || n == 0) {
                break;
            }
            // Negative: that many levels back; positive: the state saved n-th.
            const qsizetype level = n < 0 ? qsizetype(saved_.size()) + n : n - 1;
            if (level < 0 || level >= qsizetype(saved_.size())) {
                break;
            }
            s = saved_[size_t(level)];
            saved_.resize(size_t(level));
            updateTransform();
            applyClip();
            break;
        }
        case CreatePenIndirect: {
            Pen p;
            p.style = in.u16();
            p.width = in.i16();
            in.i16();
            p.color = color(in.u32());
            addObject(in.ok() ? Object(p) : Object(Pen{}));
            break;
        }
        case CreateBrushIndirect: {
            Brush b;
            b.style = in.u16();
            b.color = color(in.u32());
            b.hatch = in.u16();
            if (b.style == 3 || b.style > 6) {  // a pattern without its bitmap
                b.style = 0;
            }
            addObject(Brush(b));
            break;
        }
        case DibCreatePatternBrush: {
            Brush b;
            const int style = in.u16();
            const int usage = in.u16();
            b.style = 5;
            b.color = Qt::gray;
            // Patterns stay in the table until deleted: a file that keeps making
            // them gets plain grey brushes once the table holds its share.
            if (style != 3 && patternPixels() + kMaxPatternPixels <= kMaxPatternPixelsHeld) {
                b.pattern = bitmap(in, usage == 1, kMaxPatternPixels);
            }
            addObject(b);
            trackPatterns();
            break;
        }
        case CreatePatternBrush: {
            Brush b;
            b.color = Qt::gray;
            addObject(b);
            break;
        }
        case CreateFontIndirect: {
            Font f;
            f.height = in.i16();
            f.width = in.i16();
            f.escapement = in.i16();
            in.i16();  // orientation
            f.weight = in.i16();
            f.italic = in.u8() != 0;
            f.underline = in.u8() != 0;
            f.strikeOut = in.u8() != 0;
            f.charset = in.u8();
            in.u8();
            in.u8();
            in.u8();
            f.pitchAndFamily = in.u8();
            QByteArray face;
            while (in.remaining() > 0 && face.size() < 32) {
                const char c = char(in.u8());
                if (c == 0) {
                    break;
                }
                face.append(c);
            }
            f.face = QString::fromLatin1(face);
            addObject(f);
            break;
        }
        case CreatePalette: {
            Palette p;
            in.u16();
            const int count = in.u16();
            for (int i = 0; i < count && in.remaining() >= 4; ++i) {
                const int r = in.u8();
                const int g = in.u8();
                const int b = in.u8();
                in.u8();
                p.colors.emplace_back(r, g, b);
            }
            addObject(p);
            break;
        }
        case CreateRegion: {
            Region region;
            in.skip(10);
            const int scans = in.u16();
            in.u16();
            readRect(in);
            for (int i = 0; i < scans && in.ok(); ++i) {
                const int count = in.u16();
                const int top = in.i16();
                const int bottom = in.i16();
                for (int j = 0; j + 1 < count && in.ok(); j += 2) {
                    const int left = in.i16();
                    const int right = in.i16();
                    region.path.addRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
                }
                in.u16();
            }
            addObject(region);
            break;
        }
        case SelectObject: {
            const int index = in.u16();
            if (!in.ok() || index >= int(objects_.size())) {
                break;  // no such object: nothing changes
            }
            const Object& o = objects_[size_t(index)];
            if (const auto* p = std::get_if<Pen>(&o)) {
                s.pen = *p;
            } else if (const auto* b = std::get_if<Brush>(&o)) {
                s.brush = *b;
            } else if (const auto* f = std::get_if<Font>(&o)) {
                s.font = *f;
            } else if (const auto* r = std::get_if<Region>(&o)) {
                setClip(toTarget_.map(r->path));
            }
            break;
        }
        case SelectPalette: {
            const int index = in.u16();
            if (in.ok() && index < int(objects_.size())) {
                if (const auto* p = std::get_if<Palette>(&objects_[size_t(index)])) {
                    palette_ = *p;
                }
            }
            break;
        }
        case DeleteObject: {
            const int index = in.u16();
            if (in.ok() && index < int(objects_.size())) {
                objects_[size_t(index)] = std::monostate();
            }
            break;
        }
        case SelectClipRegion: {
            const int index = in.u16();
            const Region* r = in.ok() && index < int(objects_.size())
                                  ? std::get_if<Region>(&objects_[size_t(index)])
                                  : nullptr;
            if (r) {
                setClip(toTarget_.map(r->path));
            } else {
                s.clipped = false;
                applyClip();
            }
            break;
        }
        case IntersectClipRect:
        case ExcludeClipRect: {
            const QRectF r = readRect(in);
            if (!in.ok() || !transformOk_) {
                break;
            }
            QPainterPath rect;
            rect.addRect(toTarget_.mapRect(r));
            QPainterPath base = s.clip;
            if (!s.clipped) {
                base = QPainterPath();
                base.addRect(QRectF(image_.rect()));
            }
            setClip(function == IntersectClipRect ? base.intersected(rect) : base.subtracted(rect));
            break;
        }
        case OffsetClipRgn: {
            const int y = in.i16();
            const int x = in.i16();
            if (in.ok() && s.clipped && transformOk_) {
                setClip(s.clip.translated(x * toTarget_.m11(), y * toTarget_.m22()));
            }
            break;
        }
        case MoveTo: {
            const int y = in.i16();
            const int x = in.i16();
            if (in.ok()) {
                s.current = QPointF(x, y);
            }
            break;
        }
        case LineTo: {
            const int y = in.i16();
            const int x = in.i16();
            if (in.ok()) {
                polyline(QPolygonF({s.current, QPointF(x, y)}));
                s.current = QPointF(x, y);
            }
            break;
        }
        case Polyline:
        case Polygon: {
            const int count = in.i16();
            const QPolygonF points = readPoints(in, count);
            if (function == Polyline) {
                polyline(points);
            } else if (points.size() >= 2) {
                QPainterPath path;
                path.addPolygon(points);
                path.closeSubpath();
                path.setFillRule(s.winding ? Qt::WindingFill : Qt::OddEvenFill);
                shape(path, true);
            }
            break;
        }
        case PolyPolygon: {
            const int polygons = in.u16();
            if (qsizetype(polygons) * 2 > in.remaining()) {
                break;
            }
            std::vector<int> counts(static_cast<size_t>(polygons));
            qsizetype total = 0;
            for (int& c : counts) {
                c = in.u16();
                total += c;
            }
            if (total * 4 > in.remaining()) {
                break;
            }
            QPainterPath path;
            path.setFillRule(s.winding ? Qt::WindingFill : Qt::OddEvenFill);
            for (int c : counts) {
                const QPolygonF points = readPoints(in, c);
                if (points.size() >= 2) {
                    path.addPolygon(points);
                    path.closeSubpath();
                }
            }
            shape(path, true);
            break;
        }
        case Rectangle:
        case Ellipse: {
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
            break;
        }
        case RoundRect: {
            const int h = in.i16();
            const int w = in.i16();
            const QRectF r = readRect(in);
            if (in.ok()) {
                QPainterPath path;
                path.addRoundedRect(r, std::abs(w) / 2.0, std::abs(h) / 2.0);
                shape(path, true);
            }
            break;
        }
        case Arc:
        case Pie:
        case Chord: {
            const QPainterPath path = arcPath(in, function);
            if (!path.isEmpty()) {
                shape(path, function != Arc);
            }
            break;
        }
        case SetPixel: {
            const QColor c = color(in.u32());
            const int y = in.i16();
            const int x = in.i16();
            if (in.ok() && canDraw() && pay(kElementCost)) {
                const QPointF p = toTarget_.map(QPointF(x, y));
                painter_.save();
                painter_.resetTransform();
                painter_.fillRect(
                    QRectF(std::floor(p.x()), std::floor(p.y()), pixelScale_, pixelScale_), c);
                painter_.restore();
            }
            break;
        }
        case TextOut: {
            const int length = in.i16();
            if (length <= 0 || length > in.remaining()) {
                break;
            }
            const QByteArray bytes(in.here(), length);
            in.skip(length + (length % 2));
            const int y = in.i16();
            const int x = in.i16();
            if (in.ok()) {
                text(QPointF(x, y), bytes, {}, 0, nullptr);
            }
            break;
        }
        case ExtTextOut: {
            const int y = in.i16();
            const int x = in.i16();
            const int length = in.i16();
            const int options = in.u16();
            QRectF box;
            const bool hasBox = options & 0x0006;
            if (hasBox) {
                const int left = in.i16();
                const int top = in.i16();
                const int right = in.i16();
                const int bottom = in.i16();
                box = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
            }
            if (!in.ok() || length < 0 || length > in.remaining()) {
                break;
            }
            const QByteArray bytes(in.here(), length);
            in.skip(length + (length % 2));
            std::vector<int> dx;
            if (in.remaining() >= qsizetype(length) * 2) {
                dx.reserve(size_t(length));
                for (int i = 0; i < length; ++i) {
                    dx.push_back(in.i16());
                }
            }
            text(QPointF(x, y), bytes, dx, options, hasBox ? &box : nullptr);
            break;
        }
        case PatBlt: {
            const uint32_t rop = in.u32();
            const int h = in.i16();
            const int w = in.i16();
            const int y = in.i16();
            const int x = in.i16();
            if (in.ok()) {
                blit(rop, QRectF(x, y, w, h), QImage(), QRectF());
            }
            break;
        }
        case FillRegion:
        case PaintRegion:
        case FrameRegion: {
            const int index = in.u16();
            const int brushIndex =
                function == FillRegion || function == FrameRegion ? in.u16() : -1;
            if (!in.ok() || index >= int(objects_.size()) || !canDraw()) {
                break;
            }
            const auto* r = std::get_if<Region>(&objects_[size_t(index)]);
            if (!r) {
                break;
            }
            QBrush fill = brush();
            if (brushIndex >= 0 && brushIndex < int(objects_.size())) {
                if (const auto* b = std::get_if<Brush>(&objects_[size_t(brushIndex)])) {
                    fill = b->style == 1 ? QBrush(Qt::NoBrush) : QBrush(b->color);
                }
            }
            // Cost: every rectangle of the region, and the pixels it covers or the
            // outline it sweeps.
            const qint64 cost =
                qint64(r->path.elementCount()) * kElementCost +
                edgeWork(r->path, toTarget_, function == FrameRegion) +
                (function == FrameRegion ? swept(r->path, pixelScale_) * kStrokePixelWeight
                                         : coverage(toTarget_.mapRect(r->path.controlPointRect())));
            if (!pay(cost)) {
                break;
            }
            if (function == FrameRegion) {
                painter_.strokePath(r->path, QPen(fill, 0));
            } else {
                painter_.fillPath(r->path, fill);
            }
            break;
        }
        case StretchDib: {
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
                break;
            }
            const QImage image = bitmap(in, usage == 1);
            // Source rows count from the bitmap's bottom edge.
            const QRectF source(xSrc, image.height() - ySrc - srcH, srcW, srcH);
            blit(rop, QRectF(x, y, w, h), image, source.normalized());
            break;
        }
        case DibStretchBlt:
        case DibBitBlt: {
            const bool stretch = function == DibStretchBlt;
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
                break;
            }
            if (!stretch) {
                srcH = h;
                srcW = w;
            }
            const QImage image = withBitmap ? bitmap(in, false) : QImage();
            blit(rop, QRectF(x, y, w, h), image, QRectF(xSrc, ySrc, srcW, srcH).normalized());
            break;
        }
        case SetDiBitsToDevice: {
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
                break;
            }
            const QImage image = bitmap(in, usage == 1);
            blit(0x00CC0020, QRectF(x, y, w, h), image,
                 QRectF(xDib, image.height() - yDib - h, w, h).normalized());
            break;
        }
        default:
            break;  // escapes, palettes realised, flood fills and the rest are skipped
    }
}

}  // namespace

Frame findFrame(const QByteArray& data, const Header& header) {
    Frame frame;
    if (header.placeable) {
        frame.rect = QRectF(header.bounds).normalized();
        frame.unitsPerInch = header.unitsPerInch;
        return frame;
    }
    // A plain metafile: take the window its first records set up.
    Reader in(data.constData(), data.size());
    in.skip(header.recordsStart);
    int mode = MmText;
    QPointF org;
    QSizeF ext(0, 0);
    bool haveExt = false;
    for (int n = 0; n < 10000 && in.remaining() >= 6; ++n) {
        const qsizetype start = in.pos();
        const uint32_t words = in.u32();
        const uint16_t function = in.u16();
        if (words < 3 || words > uint32_t(in.remaining() / 2 + 3) || function == Eof ||
            isDrawing(function)) {
            break;
        }
        if (function == SetMapMode) {
            mode = in.u16();
        } else if (function == SetWindowOrg || function == SetWindowExt) {
            const int y = in.i16();
            const int x = in.i16();
            if (function == SetWindowOrg) {
                org = QPointF(x, y);
            } else if (!haveExt) {
                ext = QSizeF(x, y);
                haveExt = true;
            }
        }
        in = Reader(data.constData(), data.size());
        in.skip(start + qsizetype(words) * 2);
    }
    const double fixedUnits = unitsPerInchOf(mode);
    if (fixedUnits == 0 && ext.width() != 0 && ext.height() != 0) {
        frame.rect = QRectF(org, ext).normalized();
        frame.unitsPerInch = 1440;
    } else {
        // No usable window: device pixels from the origin.
        frame.rect = QRectF(0, 0, 256, 256);
        frame.unitsPerInch = 96;
    }
    return frame;
}

bool play(const QByteArray& data, const Header& header, const Frame& frame, QImage& image,
          QString* error, double pixelScale, PlayStats* stats) {
    Player player(header, frame, image, pixelScale);
    PlayStats ignored;
    PlayStats& out = stats ? *stats : ignored;
    player.budget_ = std::clamp<qint64>(out.budget, 0, kDrawingBudget);
    const auto finish = [&](bool result) {
        out.spent = player.spent();
        out.stopped = player.overBudget();
        out.patternPixels = player.patternPixelsHeld();
        return result;
    };
    const auto fail = [&](const char* message) {
        if (error) {
            *error = QString::fromLatin1(message);
        }
        return false;
    };
    // A file that breaks off or goes wrong part way still shows what came before,
    // as long as at least one drawing record was read whole; otherwise it fails.
    bool drew = false;
    qsizetype pos = header.recordsStart;
    for (qint64 count = 0;; ++count) {
        const qsizetype left = data.size() - pos;
        if (left == 0) {
            return finish(drew ||
                          fail("The metafile is damaged."));  // ends without its last record
        }
        if (left < 6 || count >= kMaxRecords || cancelled()) {
            return finish(drew || fail("The metafile is damaged."));
        }
        Reader head(data.constData() + pos, left);
        const uint32_t words = head.u32();
        const uint16_t function = head.u16();
        if (words < 3 || uint64_t(words) * 2 > uint64_t(left)) {
            return finish(drew || fail("The metafile is damaged."));
        }
        if (function == Eof) {
            return finish(true);
        }
        out.records = count + 1;
        player.record(function, Reader(data.constData() + pos + 6, qsizetype(words) * 2 - 6));
        drew = drew || isDrawing(function);
        if (player.overBudget()) {
            return finish(true);  // enough has been drawn; the rest would take too long
        }
        pos += qsizetype(words) * 2;
    }
}

}  // namespace plenarvo::pictures::wmf
