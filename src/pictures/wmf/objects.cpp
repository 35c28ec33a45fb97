// The drawing state and the object table: colours, modes, saved states, and the
// pens, brushes, fonts, palettes and regions the records create and select.
#include "playback.h"

#include "dib.h"

#include <algorithm>

namespace plenarvo::pictures::wmf {

namespace {

// The longest face name a font record holds, its end included.
constexpr int kMaxFaceBytes = 32;

QColor colorOf(uint32_t ref) {
    return QColor(int(ref & 0xFF), int((ref >> 8) & 0xFF), int((ref >> 16) & 0xFF));
}

}  // namespace

// A colour reference: a colour, or an index into the selected palette.
QColor Player::color(uint32_t ref) const {
    const size_t index = ref & 0xFFFF;
    if ((ref >> 24) == kPaletteIndexRef && index < palette_.colors.size()) {
        return palette_.colors[index];
    }
    return colorOf(ref);
}

void Player::setBkColor(Reader& in) {
    state_.bkColor = color(in.u32());
}

void Player::setBkMode(Reader& in) {
    state_.opaqueBk = in.u16() == kBkModeOpaque;
}

void Player::setTextColor(Reader& in) {
    state_.textColor = color(in.u32());
}

void Player::setTextAlign(Reader& in) {
    state_.textAlign = in.u16();
}

void Player::setPolyFillMode(Reader& in) {
    state_.winding = in.u16() == kFillModeWinding;
}

void Player::setRop2(Reader& in) {
    const int rop = in.u16();
    if (in.ok()) {
        state_.rop2 = rop;
    }
}

void Player::saveDc() {
    if (saved_.size() < size_t(kMaxSavedStates)) {
        saved_.push_back(state_);
    }
}

void Player::restoreDc(Reader& in) {
    const int n = in.i16();
    if (!in.ok() || n == 0) {
        return;
    }
    // Negative: that many levels back; positive: the state saved n-th.
    const qsizetype level = n < 0 ? qsizetype(saved_.size()) + n : n - 1;
    if (level < 0 || level >= qsizetype(saved_.size())) {
        return;
    }
    state_ = saved_[size_t(level)];
    saved_.resize(size_t(level));
    updateTransform();
    applyClip();
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

void Player::createPen(Reader& in) {
    Pen p;
    p.style = in.u16();
    p.width = in.i16();
    in.i16();
    p.color = color(in.u32());
    addObject(in.ok() ? Object(p) : Object(Pen{}));
}

void Player::createBrush(Reader& in) {
    Brush b;
    b.style = in.u16();
    b.color = color(in.u32());
    b.hatch = in.u16();
    if (b.style == BrushPattern || b.style > BrushDibPatternPt) {  // a pattern without its bitmap
        b.style = BrushSolid;
    }
    addObject(Brush(b));
}

void Player::createPatternBrush(Reader& in, bool withBitmap) {
    Brush b;
    b.color = Qt::gray;
    if (!withBitmap) {
        addObject(b);
        return;
    }
    const int style = in.u16();
    const int usage = in.u16();
    b.style = BrushDibPattern;
    // Patterns stay in the table until deleted: a file that keeps making them
    // gets plain grey brushes once the table holds its share.
    if (style != BrushPattern && patternPixels() + kMaxPatternPixels <= kMaxPatternPixelsHeld) {
        b.pattern = bitmap(in, usage == kDibPaletteColours, kMaxPatternPixels);
    }
    addObject(b);
    trackPatterns();
}

void Player::createFont(Reader& in) {
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
    in.u8();  // output precision
    in.u8();  // clip precision
    in.u8();  // quality
    f.pitchAndFamily = in.u8();
    QByteArray face;
    while (in.remaining() > 0 && face.size() < kMaxFaceBytes) {
        const char c = char(in.u8());
        if (c == 0) {
            break;
        }
        face.append(c);
    }
    f.face = QString::fromLatin1(face);
    addObject(f);
}

void Player::createPalette(Reader& in) {
    Palette p;
    in.u16();  // version
    const int count = in.u16();
    for (int i = 0; i < count && in.remaining() >= 4; ++i) {
        const int r = in.u8();
        const int g = in.u8();
        const int b = in.u8();
        in.u8();  // flags
        p.colors.emplace_back(r, g, b);
    }
    addObject(p);
}

void Player::createRegion(Reader& in) {
    Region region;
    in.skip(10);  // the object header: chain, type, count and size
    const int scans = in.u16();
    in.u16();  // largest scan
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
        in.u16();  // the count again
    }
    addObject(region);
}

void Player::selectObject(Reader& in) {
    const int index = in.u16();
    if (!in.ok() || index >= int(objects_.size())) {
        return;  // no such object: nothing changes
    }
    const Object& o = objects_[size_t(index)];
    if (const auto* p = std::get_if<Pen>(&o)) {
        state_.pen = *p;
    } else if (const auto* b = std::get_if<Brush>(&o)) {
        state_.brush = *b;
    } else if (const auto* f = std::get_if<Font>(&o)) {
        state_.font = *f;
    } else if (const auto* r = std::get_if<Region>(&o)) {
        setClip(toTarget_.map(r->path));
    }
}

void Player::selectPalette(Reader& in) {
    const int index = in.u16();
    if (in.ok() && index < int(objects_.size())) {
        if (const auto* p = std::get_if<Palette>(&objects_[size_t(index)])) {
            palette_ = *p;
        }
    }
}

void Player::deleteObject(Reader& in) {
    const int index = in.u16();
    if (in.ok() && index < int(objects_.size())) {
        objects_[size_t(index)] = std::monostate();
    }
}

}  // namespace plenarvo::pictures::wmf
