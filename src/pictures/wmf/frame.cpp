// Finding a metafile's frame before playing it.
#include "player.h"

#include "records.h"
#include "state.h"

namespace plenarvo::pictures::wmf {

namespace {

// Records looked at for the window before giving up.
constexpr int kMaxFrameRecords = 10000;

}  // namespace

Frame findFrame(const QByteArray& data, const Header& header) {
    Frame frame;
    if (header.placeable) {
        frame.rect = QRectF(header.bounds).normalized();
        frame.unitsPerInch = header.unitsPerInch;
        return frame;
    }
    // A plain metafile: take the window its first records set up, before it draws.
    Reader in(data.constData(), data.size());
    in.skip(header.recordsStart);
    int mode = MmText;
    QPointF org;
    QSizeF ext(0, 0);
    bool haveExt = false;
    for (int n = 0; n < kMaxFrameRecords && in.remaining() >= 6; ++n) {
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

}  // namespace plenarvo::pictures::wmf
