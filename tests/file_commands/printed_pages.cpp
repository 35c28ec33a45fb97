#include "file_commands/printed_pages.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace plenarvo::testing {

QList<QImage> renderJob(const QString& pdf) {
    QList<QImage> pages;
    const QFileInfo info(pdf);
    const QString prefix = QDir(info.path()).filePath(info.completeBaseName() + "-page");
    if (QProcess::execute(QStringLiteral(PDFTOPPM), {"-r", "96", "-png", pdf, prefix}) != 0) {
        return pages;
    }
    const QString pattern = QFileInfo(prefix).fileName() + "-*.png";
    for (const QString& name : QDir(info.path()).entryList({pattern}, QDir::Files, QDir::Name)) {
        pages.append(
            QImage(QDir(info.path()).filePath(name)).convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

QRect inkBox(const QImage& page, bool redOnly) {
    QRect box;
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = line[x];
            const bool red = qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            if (redOnly ? red : std::min({qRed(p), qGreen(p), qBlue(p)}) < 245) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

void expectNear(const QRect& got, const QRect& want) {
    EXPECT_NEAR(got.left(), want.left(), 1);
    EXPECT_NEAR(got.top(), want.top(), 1);
    EXPECT_NEAR(got.right(), want.right(), 1);
    EXPECT_NEAR(got.bottom(), want.bottom(), 1);
}

QImage markedPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    for (int y = 0; y < std::min(10, size.height()); ++y) {
        for (int x = 0; x < std::min(20, size.width()); ++x) {
            image.setPixel(x, y, qRgb(255, 0, 0));
        }
    }
    return image;
}

}  // namespace plenarvo::testing
