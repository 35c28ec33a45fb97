// How fast the preview box gets a big photo: Picture::fromFile + scaled() to the
// preview size, against a plain full-size decode of the same file and against
// libjpeg-turbo's djpeg decoding at the same DCT scale; the 12 MP photo also with
// an Adobe RGB profile, which the preview converts.

#include "../common/photo.h"
#include "pictures/picture.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using plenarvo::pictures::Picture;

namespace {

const QSize kPreviewBox(457, 417);

double medianMs(int runs, const std::function<bool()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!work()) {
            return -1;
        }
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The scale the preview's decoder chooses: the smallest of 1/2, 1/4 and 1/8 that
// leaves at least seven eighths of the box in each direction (the smooth scale
// after it enlarges by an eighth at most). In eighths, for djpeg's -scale M/8.
int dctEighths(QSize stored, QSize box) {
    int eighths = 8;
    for (int fraction : {2, 4, 8}) {
        const QSize reduced(stored.width() / fraction, stored.height() / fraction);
        if (reduced.width() * 8 < box.width() * 7 || reduced.height() * 8 < box.height() * 7) {
            break;
        }
        eighths = 8 / fraction;
    }
    return eighths;
}

struct Result {
    double preview = 0;
    double full = 0;
    double djpeg = -1;
    int eighths = 8;
};

Result measure(const QString& path, QSize size, int runs, const QString& djpeg) {
    Result r;
    r.preview = medianMs(runs, [&] {
        const Picture picture = Picture::fromFile(path);
        return picture.scaled(kPreviewBox).size() == kPreviewBox;
    });
    r.full = medianMs(runs, [&] {
        QImageReader reader(path);
        reader.setAllocationLimit(0);
        return !reader.read().isNull();
    });
    r.eighths = dctEighths(size, kPreviewBox);
    if (!djpeg.isEmpty()) {
        r.djpeg = medianMs(runs, [&] {
            const int code = QProcess::execute(
                djpeg, {QStringLiteral("-scale"), QStringLiteral("%1/8").arg(r.eighths),
                        QStringLiteral("-outfile"), QStringLiteral("/dev/null"), path});
            return code == 0;
        });
    }
    return r;
}

QString writePhoto(const QTemporaryDir& dir, const QString& name, QSize size, bool profile) {
    const QString path = dir.filePath(name);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    QFile file(path);
    if (!writer.write(plenarvo::bench::photoLike(size)) || !file.open(QIODevice::WriteOnly) ||
        !file.write(profile ? plenarvo::bench::withColourProfile(buffer.data()) : buffer.data())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return {};
    }
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
    if (djpeg.isEmpty()) {
        std::printf(
            "note: djpeg not found (Debian package libjpeg-turbo-progs); "
            "its comparison is skipped\n");
    }

    struct Case {
        const char* name;
        QSize size;
        int runs;
        bool profile;
    };
    const Case cases[] = {{"12mp", QSize(4000, 3000), 9, false},
                          {"12mp_icc", QSize(4000, 3000), 9, true},
                          {"108mp", QSize(12000, 9000), 3, false}};
    QString summary;
    for (const Case& c : cases) {
        std::printf("making a %dx%d photo...\n", c.size.width(), c.size.height());
        std::fflush(stdout);
        const QString path =
            writePhoto(dir, QStringLiteral("%1.jpg").arg(c.name), c.size, c.profile);
        if (path.isEmpty()) {
            return 1;
        }
        const Result r = measure(path, c.size, c.runs, djpeg);
        if (r.preview < 0 || r.full < 0) {
            std::fprintf(stderr, "decoding %s failed\n", c.name);
            return 1;
        }
        const double ratioFull = r.preview / r.full;
        std::printf(
            "%s: preview %.1f ms, full decode %.1f ms (preview/full %.2f, target <= 0.50)\n",
            c.name, r.preview, r.full, ratioFull);
        summary += QStringLiteral("preview_%1_ms=%2 full_%1_ms=%3 ")
                       .arg(QLatin1String(c.name))
                       .arg(r.preview, 0, 'f', 1)
                       .arg(r.full, 0, 'f', 1);
        if (r.djpeg > 0) {
            const double ratioDjpeg = r.preview / r.djpeg;
            std::printf("%s: djpeg -scale %d/8 %.1f ms (preview/djpeg %.2f, target <= 1.25)\n",
                        c.name, r.eighths, r.djpeg, ratioDjpeg);
            summary += QStringLiteral("djpeg_%1_ms=%2 ")
                           .arg(QLatin1String(c.name))
                           .arg(r.djpeg, 0, 'f', 1);
            summary += QStringLiteral("ratio_full_%1=%2 ratio_djpeg_%1=%3 ")
                           .arg(QLatin1String(c.name))
                           .arg(ratioFull, 0, 'f', 2)
                           .arg(ratioDjpeg, 0, 'f', 2);
        } else {
            summary += QStringLiteral("ratio_full_%1=%2 ")
                           .arg(QLatin1String(c.name))
                           .arg(ratioFull, 0, 'f', 2);
        }
        std::fflush(stdout);
    }
    std::printf("%s\n", qPrintable(summary.trimmed()));
    return 0;
}
