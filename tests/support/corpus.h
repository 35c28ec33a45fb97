#pragma once

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace plenarvo::testing {

// The real pictures from outside the project, beside the project folder.
inline QString corpusDir() {
    return QStringLiteral(PLENARVO_CORPUS_DIR);
}

// One row of the corpus's MANIFEST.tsv.
struct CorpusRow {
    QString path;      // relative to corpusDir(); a folder when it ends in '/'
    QString format;    // bmp, wmf, ico, gif, jpeg
    QString category;  // good, questionable, bad
    QString expected;  // decodes, fails or either
    QSize size;        // good files only: stored size (metafiles at 72 dpi)
    QString notes;
};

// Every row, or none when the corpus is absent.
inline std::vector<CorpusRow> readCorpusManifest() {
    std::vector<CorpusRow> rows;
    QFile file(corpusDir() + QStringLiteral("/MANIFEST.tsv"));
    if (!file.open(QIODevice::ReadOnly)) {
        return rows;
    }
    file.readLine();  // the column names
    while (!file.atEnd()) {
        const QStringList cols = QString::fromUtf8(file.readLine()).trimmed().split(u'\t');
        if (cols.size() < 6) {
            continue;
        }
        rows.push_back({cols[0], cols[1], cols[2], cols[3], QSize(cols[4].toInt(), cols[5].toInt()),
                        cols.size() > 8 ? cols[8] : QString()});
    }
    return rows;
}

// The mean difference of the colour channels (0..255) of two pictures of one size,
// each put on `ground` first (transparent pixels compare by what they show) and,
// when `shrinkTo` is given, shrunk to it.
inline double meanDifference(const QImage& a, const QImage& b, QColor ground, QSize shrinkTo = {}) {
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
    double sum = 0;
    for (int j = 0; j < x.height(); ++j) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(j));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(j));
        for (int i = 0; i < x.width(); ++i) {
            sum += std::abs(qRed(p[i]) - qRed(q[i])) + std::abs(qGreen(p[i]) - qGreen(q[i])) +
                   std::abs(qBlue(p[i]) - qBlue(q[i]));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

}  // namespace plenarvo::testing
