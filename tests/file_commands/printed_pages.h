#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>

namespace plenarvo::testing {

// A printed job as pdftoppm renders it at 96 dots to the inch, where one picture
// pixel (15 twips) is one dot: one image per page; none when it cannot be read.
QList<QImage> renderJob(const QString& pdf);

// The box of the red pixels, or with `redOnly` false, of every pixel not white.
QRect inkBox(const QImage& page, bool redOnly = false);

// Whether two boxes agree to a dot at each edge (edges fall between dots).
void expectNear(const QRect& got, const QRect& want);

// A picture of the given size, dark cyan, its top left 20 x 10 pixels red.
QImage markedPicture(QSize size);

}  // namespace plenarvo::testing
