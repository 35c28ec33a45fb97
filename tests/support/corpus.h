#pragma once

#include "support/files.h"

#include <QFile>
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

}  // namespace plenarvo::testing
