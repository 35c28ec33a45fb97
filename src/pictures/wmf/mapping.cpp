// How logical units map onto the image: the map mode, the window and the viewport.
#include "playback.h"

#include <cmath>

namespace plenarvo::pictures::wmf {

double unitsPerInchOf(int mapMode) {
    switch (mapMode) {
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

void Player::setMapMode(Reader& in) {
    const int mode = in.u16();
    if (in.ok() && mode >= MmText && mode <= MmAnisotropic) {
        state_.mapMode = mode;
        updateTransform();
    }
}

void Player::setOrigin(uint16_t function, Reader& in) {
    State& s = state_;
    const int y = in.i16();
    const int x = in.i16();
    if (!in.ok()) {
        return;
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
        default:  // OffsetViewportOrg
            s.viewportOrg =
                (s.viewportOrgSet ? s.viewportOrg : frame_.rect.topLeft()) + QPointF(x, y);
            s.viewportOrgSet = true;
            break;
    }
    updateTransform();
}

void Player::scaleExtent(uint16_t function, Reader& in) {
    State& s = state_;
    const int yDen = in.i16();
    const int yNum = in.i16();
    const int xDen = in.i16();
    const int xNum = in.i16();
    if (!in.ok() || xDen == 0 || yDen == 0 || xNum == 0 || yNum == 0) {
        return;
    }
    if (function == ScaleWindowExt) {
        s.windowExt = QSizeF(s.windowExt.width() * xNum / xDen, s.windowExt.height() * yNum / yDen);
    } else {
        const QSizeF vp = s.viewportExtSet ? s.viewportExt : frame_.rect.size();
        s.viewportExt = QSizeF(vp.width() * xNum / xDen, vp.height() * yNum / yDen);
        s.viewportExtSet = true;
    }
    updateTransform();
}

}  // namespace plenarvo::pictures::wmf
