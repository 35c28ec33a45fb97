#include "main_window/artwork.h"
#include "main_window/frm_image.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace plenarvo {

namespace {

// A small landscape: sky, sun and two ranges of hills seen through a lens.
void paintLandscape(QPainter& p, const QRectF& r) {
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0.0, QColor(18, 52, 140));
    sky.setColorAt(0.6, QColor(110, 170, 230));
    sky.setColorAt(1.0, QColor(250, 214, 150));
    p.fillRect(r, sky);

    QRadialGradient sun(r.left() + r.width() * 0.72, r.top() + r.height() * 0.34,
                        r.height() * 0.16);
    sun.setColorAt(0.0, QColor(255, 250, 200));
    sun.setColorAt(0.7, QColor(255, 200, 80));
    sun.setColorAt(1.0, QColor(255, 200, 80, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(sun);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.72, r.top() + r.height() * 0.34),
                  r.height() * 0.16, r.height() * 0.16);

    auto hills = [&](double base, double amp, double phase, const QColor& colour) {
        QPainterPath path(QPointF(r.left(), r.bottom()));
        for (int i = 0; i <= 40; ++i) {
            const double x = r.left() + r.width() * i / 40.0;
            const double t = i / 40.0 * 6.283 + phase;
            const double y =
                r.top() +
                r.height() * (base - amp * (0.6 * std::sin(t) + 0.4 * std::sin(2.3 * t + 1)));
            path.lineTo(x, y);
        }
        path.lineTo(r.right(), r.bottom());
        path.closeSubpath();
        p.setBrush(colour);
        p.drawPath(path);
    };
    hills(0.68, 0.08, 0.4, QColor(60, 110, 150));
    hills(0.80, 0.07, 2.0, QColor(30, 90, 60));
}

}  // namespace

QImage FrmImage::startPicture(QSize size) {
    const QSize natural(622, 408);
    QImage image(size.isEmpty() ? natural : size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(image.width()) / natural.width(), double(image.height()) / natural.height());
    paintLandscape(p, QRectF(0, 0, 622, 408));
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(64);
    font.setBold(true);
    font.setItalic(true);
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(QRectF(4, 44, 622, 120), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Plenarvo"));
    p.setPen(QColor(255, 255, 240));
    p.drawText(QRectF(0, 40, 622, 120), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Plenarvo"));
    font.setPixelSize(20);
    font.setBold(false);
    p.setFont(font);
    p.drawText(QRectF(0, 120, 622, 40), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Pick a folder, then a picture"));
    return image;
}

QImage logoPicture(QSize size) {
    const QSize natural(121, 91);
    QImage image(size.isEmpty() ? natural : size, QImage::Format_RGB32);
    image.fill(QColor(255, 255, 192));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(image.width()) / natural.width(), double(image.height()) / natural.height());
    // A framed picture with a lens over its corner.
    p.setPen(QPen(QColor(120, 70, 20), 5));
    p.setBrush(Qt::NoBrush);
    const QRectF frame(8, 8, 86, 66);
    p.save();
    p.setClipRect(frame);
    paintLandscape(p, frame);
    p.restore();
    p.drawRect(frame);
    p.setPen(QPen(QColor(40, 40, 40), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(98, 74), QPointF(114, 86));
    p.setPen(QPen(QColor(40, 40, 40), 4));
    p.setBrush(QColor(200, 230, 255, 120));
    p.drawEllipse(QPointF(86, 62), 16, 16);
    return image;
}

QImage iconPicture(QSize size) {
    const QSize natural(32, 32);
    QImage image(size.isEmpty() ? natural : size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(double(image.width()) / natural.width(), double(image.height()) / natural.height());
    const QRectF frame(2, 4, 28, 22);
    p.save();
    p.setClipRect(frame);
    paintLandscape(p, frame);
    p.restore();
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);
    return image;
}

}  // namespace plenarvo
