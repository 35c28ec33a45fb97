// Text records: the font chosen for a record's font, the alignment on the
// reference point and the per-character advances.
#include "playback.h"

#include "text.h"

#include <QFont>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace plenarvo::pictures::wmf {

namespace {

QFont::StyleHint styleHintOf(int pitchAndFamily) {
    switch (pitchAndFamily & kFontFamily) {
        case FamilyRoman:
            return QFont::Serif;
        case FamilySwiss:
            return QFont::SansSerif;
        case FamilyModern:
            return QFont::Monospace;
        case FamilyScript:
            return QFont::Cursive;
        case FamilyDecorative:
            return QFont::Decorative;
        default:
            return QFont::AnyStyle;
    }
}

// Where the text starts left of the reference point, for text `width` wide.
double alignedLeft(int textAlign, double width) {
    switch (textAlign & kAlignHorizontal) {
        case kAlignRight:
            return -width;
        case kAlignCenter:
            return -width / 2;
        default:
            return 0;
    }
}

// Where the baseline lies below the reference point.
double alignedBaseline(int textAlign, const QFontMetricsF& metrics) {
    switch (textAlign & kAlignVertical) {
        case kAlignBottom:
            return -metrics.descent();
        case kAlignBaseline:
            return 0;
        default:
            return metrics.ascent();
    }
}

// How far the current point moves along the text, for text `width` wide.
double currentPointMove(int textAlign, double width) {
    switch (textAlign & kAlignHorizontal) {
        case kAlignCenter:
            return 0;
        case kAlignRight:
            return -width;
        default:
            return width;
    }
}

// Where each character of the decoded string starts, from the record's advances
// (one a byte; `ends` holds each character's last byte), and in *width the whole.
std::vector<double> characterOffsets(const std::vector<int>& dx, const std::vector<int>& ends,
                                     double scaleX, double* width) {
    std::vector<double> offsets;
    offsets.reserve(ends.size());
    size_t byte = 0;
    for (const int end : ends) {
        offsets.push_back(*width);
        for (; int(byte) <= end; ++byte) {
            *width += dx[byte] * scaleX;
        }
    }
    return offsets;
}

}  // namespace

void Player::drawCharacters(QPointF start, const QString& string,
                            const std::vector<double>& offsets) {
    if (offsets.empty()) {
        painter_.drawText(start, string);
        return;
    }
    for (qsizetype i = 0; i < string.size(); ++i) {
        const QPointF at = start + QPointF(offsets[size_t(i)], 0);
        const QChar c = string.at(i);
        if (c.isHighSurrogate() && i + 1 < string.size()) {
            painter_.drawText(at, string.mid(i, 2));
            ++i;
        } else {
            painter_.drawText(at, QString(c));
        }
    }
}

std::optional<QFont> Player::fontFor(const Font& f, bool symbol) const {
    const double scaleX = std::abs(toTarget_.m11());
    const double scaleY = std::abs(toTarget_.m22());
    double emPixels = (f.height == 0 ? frame_.unitsPerInch / 6 : std::abs(f.height)) * scaleY;
    QFont font;
    const QFont::StyleHint hint = styleHintOf(f.pitchAndFamily);
    if (hint != QFont::AnyStyle) {
        font.setStyleHint(hint);
    }
    font.setFamilies({symbol ? QStringLiteral("DejaVu Serif") : f.face});
    font.setWeight(QFont::Weight(std::clamp(f.weight == 0 ? kNormalWeight : f.weight, 1, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeOut);
    font.setHintingPreference(QFont::PreferNoHinting);
    const double dpi = image_.logicalDpiY() > 0 ? image_.logicalDpiY() : 96;
    const double limit = 4.0 * (image_.width() + image_.height());
    if (emPixels < 0.3 || emPixels > limit) {
        return std::nullopt;
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
    return font;
}

void Player::text(QPointF at, const QByteArray& bytes, const std::vector<int>& dx, int options,
                  const QRectF* box) {
    if (!canDraw()) {
        return;
    }
    const State& s = state_;
    if (box && (options & kTextOpaque)) {
        if (!pay(coverage(toTarget_.mapRect(*box)))) {
            return;
        }
        painter_.fillRect(*box, s.bkColor);
    }
    if (bytes.isEmpty()) {
        return;
    }
    const bool updateCp = s.textAlign & kAlignUpdateCp;
    if (updateCp) {
        at = s.current;
    }
    const double scaleX = std::abs(toTarget_.m11());
    const Font& f = s.font;
    const bool symbol = isSymbolFace(f.face);
    const std::optional<QFont> font = fontFor(f, symbol);
    if (!font) {
        return;
    }
    std::vector<int> ends;
    const QString string = decodeText(bytes, f.charset, symbol, &ends);
    const QFontMetricsF metrics(*font, &image_);
    // Cost: each glyph covers about a square of the font's size, however the
    // glyphs are spaced (stacked on one spot, each is still drawn).
    const qint64 imageArea = qint64(image_.width()) * image_.height();
    const double em = metrics.height();
    const qint64 glyphArea = std::min<qint64>(qint64(std::ceil(em * em)), imageArea);
    if (!pay(qint64(string.size()) * (glyphArea * kTextPixelWeight + kElementCost))) {
        return;
    }

    // Per-character positions from the advances, when the record has one per byte.
    double width = 0;
    const std::vector<double> offsets = dx.size() >= size_t(bytes.size())
                                            ? characterOffsets(dx, ends, scaleX, &width)
                                            : std::vector<double>();
    if (offsets.empty()) {
        width = metrics.horizontalAdvance(string);
    }

    const QPointF origin = toTarget_.map(at);
    const double x0 = alignedLeft(s.textAlign, width);
    const double baseline = alignedBaseline(s.textAlign, metrics);

    painter_.save();
    painter_.resetTransform();
    if (box && (options & kTextClipped)) {
        painter_.setClipRect(toTarget_.mapRect(*box), Qt::IntersectClip);
    }
    painter_.translate(origin);
    painter_.rotate(-f.escapement / 10.0);
    if (s.opaqueBk) {
        painter_.fillRect(QRectF(x0, baseline - metrics.ascent(), width, metrics.height()),
                          s.bkColor);
    }
    painter_.setFont(*font);
    painter_.setPen(s.textColor);
    drawCharacters(QPointF(x0, baseline), string, offsets);
    painter_.restore();

    if (updateCp) {
        const double move = currentPointMove(s.textAlign, width);
        const double angle = f.escapement / 10.0 * std::numbers::pi / 180;
        const QPointF end = origin + QPointF(move * std::cos(angle), -move * std::sin(angle));
        state_.current = toTarget_.inverted().map(end);
    }
}

void Player::textOut(Reader& in) {
    const int length = in.i16();
    if (length <= 0 || length > in.remaining()) {
        return;
    }
    const QByteArray bytes(in.here(), length);
    in.skip(length + (length % 2));
    const int y = in.i16();
    const int x = in.i16();
    if (in.ok()) {
        text(QPointF(x, y), bytes, {}, 0, nullptr);
    }
}

void Player::extTextOut(Reader& in) {
    const int y = in.i16();
    const int x = in.i16();
    const int length = in.i16();
    const int options = in.u16();
    QRectF box;
    const bool hasBox = options & kTextHasBox;
    if (hasBox) {
        const int left = in.i16();
        const int top = in.i16();
        const int right = in.i16();
        const int bottom = in.i16();
        box = QRectF(QPointF(left, top), QPointF(right, bottom)).normalized();
    }
    if (!in.ok() || length < 0 || length > in.remaining()) {
        return;
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
}

}  // namespace plenarvo::pictures::wmf
