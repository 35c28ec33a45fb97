#include "player.h"

#include "playback.h"

#include "pictures/cost.h"

#include <algorithm>

namespace plenarvo::pictures::wmf {

Player::Player(const Header& header, const Frame& frame, QImage& image, double pixelScale,
               qint64 budget)
    : frame_(frame), image_(image), painter_(&image), budget_(budget), pixelScale_(pixelScale) {
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

void Player::record(uint16_t function, Reader in) {
    switch (function) {
        case SetBkColor:
            return setBkColor(in);
        case SetBkMode:
            return setBkMode(in);
        case SetTextColor:
            return setTextColor(in);
        case SetTextAlign:
            return setTextAlign(in);
        case SetPolyFillMode:
            return setPolyFillMode(in);
        case SetRop2:
            return setRop2(in);
        case SetMapMode:
            return setMapMode(in);
        case SetWindowOrg:
        case SetWindowExt:
        case SetViewportOrg:
        case SetViewportExt:
        case OffsetWindowOrg:
        case OffsetViewportOrg:
            return setOrigin(function, in);
        case ScaleWindowExt:
        case ScaleViewportExt:
            return scaleExtent(function, in);
        case SaveDc:
            return saveDc();
        case RestoreDc:
            return restoreDc(in);
        case CreatePenIndirect:
            return createPen(in);
        case CreateBrushIndirect:
            return createBrush(in);
        case DibCreatePatternBrush:
            return createPatternBrush(in, true);
        case CreatePatternBrush:
            return createPatternBrush(in, false);
        case CreateFontIndirect:
            return createFont(in);
        case CreatePalette:
            return createPalette(in);
        case CreateRegion:
            return createRegion(in);
        case SelectObject:
            return selectObject(in);
        case SelectPalette:
            return selectPalette(in);
        case DeleteObject:
            return deleteObject(in);
        case SelectClipRegion:
            return selectClipRegion(in);
        case IntersectClipRect:
        case ExcludeClipRect:
            return clipRect(function, in);
        case OffsetClipRgn:
            return offsetClip(in);
        case MoveTo:
            return moveTo(in);
        case LineTo:
            return lineTo(in);
        case Polyline:
        case Polygon:
            return polyOrLine(function, in);
        case PolyPolygon:
            return polyPolygon(in);
        case Rectangle:
        case Ellipse:
            return rectOrEllipse(function, in);
        case RoundRect:
            return roundRect(in);
        case Arc:
        case Pie:
        case Chord:
            return arc(function, in);
        case SetPixel:
            return setPixel(in);
        case TextOut:
            return textOut(in);
        case ExtTextOut:
            return extTextOut(in);
        case FillRegion:
        case PaintRegion:
        case FrameRegion:
            return paintRegion(function, in);
        case PatBlt:
            return patBlt(in);
        case StretchDib:
            return stretchDib(in);
        case DibStretchBlt:
        case DibBitBlt:
            return dibBlt(function, in);
        case SetDiBitsToDevice:
            return setDiBits(in);
        default:
            return;  // escapes, palettes realised, flood fills and the rest are skipped
    }
}

bool play(const QByteArray& data, const Header& header, const Frame& frame, QImage& image,
          QString* error, double pixelScale, PlayStats* stats) {
    PlayStats ignored;
    PlayStats& out = stats ? *stats : ignored;
    Player player(header, frame, image, pixelScale,
                  std::clamp<qint64>(out.budget, 0, kDrawingBudget));
    const auto finish = [&](bool result) {
        out.spent = player.spent();
        out.stopped = player.overBudget();
        out.patternPixels = player.patternPixelsHeld();
        return result;
    };
    // A file that breaks off or goes wrong part way still shows what came before,
    // as long as at least one drawing record was read whole; otherwise it fails.
    const auto broken = [&](bool drew) {
        if (!drew && error) {
            *error = QStringLiteral("The metafile is damaged.");
        }
        return finish(drew);
    };
    bool drew = false;
    qsizetype pos = header.recordsStart;
    for (qint64 count = 0;; ++count) {
        const qsizetype left = data.size() - pos;
        // Ends without its last record, is cut off inside one, plays on for ever
        // or is no longer wanted.
        if (left < 6 || count >= kMaxRecords || detail::cancelled()) {
            return broken(drew);
        }
        Reader head(data.constData() + pos, left);
        const uint32_t words = head.u32();
        const uint16_t function = head.u16();
        if (words < 3 || uint64_t(words) * 2 > uint64_t(left)) {
            return broken(drew);
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
