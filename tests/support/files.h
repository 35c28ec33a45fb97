#pragma once

// Files and pictures made and read back by the tests.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <array>

namespace plenarvo::testing {

// Writes bytes to a file, replacing it; false when that fails.
inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Writes bytes to a file, making its folder first; the file's path.
inline QString writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    EXPECT_TRUE(writeBytes(path, bytes)) << path.toStdString();
    return path;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// `image` written by Qt in `format`; a JPEG progressive or not.
inline QByteArray encode(const QImage& image, const char* format, int quality = -1,
                         bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

// A picture of one colour.
inline QImage solid(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A picture of four coloured quarters (top left, top right, bottom left, bottom
// right), so that a turned or mirrored copy shows.
inline QImage quarters(QSize size, const std::array<QColor, 4>& colours) {
    QImage image = solid(size, colours[0]);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    QPainter painter(&image);
    painter.fillRect(w, 0, size.width() - w, h, colours[1]);
    painter.fillRect(0, h, w, size.height() - h, colours[2]);
    painter.fillRect(w, h, size.width() - w, size.height() - h, colours[3]);
    return image;
}

// The mean difference of the colour channels (0..255) of two pictures of one size,
// each put on `ground` first (transparent pixels compare by what they show) and,
// when `shrinkTo` is given, shrunk to it. With `largest`, the mean of the channel
// that differs most, so that one channel gone wrong is not averaged away.
inline double meanDifference(const QImage& a, const QImage& b, QColor ground, QSize shrinkTo = {},
                             bool largest = false) {
    const auto prepare = [&](const QImage& image) {
        QImage out(image.size(), QImage::Format_RGB32);
        out.fill(ground);
        QPainter(&out).drawImage(0, 0, image);
        const QImage shrunk = shrinkTo.isValid() ? out.scaled(shrinkTo, Qt::IgnoreAspectRatio,
                                                              Qt::SmoothTransformation)
                                                 : out;
        return shrunk.convertToFormat(QImage::Format_RGB32);
    };
    const QImage x = prepare(a);
    const QImage y = prepare(b);
    double sums[3] = {0, 0, 0};
    for (int j = 0; j < x.height(); ++j) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(j));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(j));
        for (int i = 0; i < x.width(); ++i) {
            sums[0] += std::abs(qRed(p[i]) - qRed(q[i]));
            sums[1] += std::abs(qGreen(p[i]) - qGreen(q[i]));
            sums[2] += std::abs(qBlue(p[i]) - qBlue(q[i]));
        }
    }
    const double pixels = double(x.width()) * x.height();
    return largest ? std::max({sums[0], sums[1], sums[2]}) / pixels
                   : (sums[0] + sums[1] + sums[2]) / (3.0 * pixels);
}

}  // namespace plenarvo::testing
