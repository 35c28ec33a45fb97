// Times the metafile renderer on every metafile of the corpus: a rendering at the
// natural size and one at thumbnail size, the median of several runs each.
#include "pictures/wmf/wmf.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace wmf = plenarvo::pictures::wmf;

namespace {

constexpr int kRuns = 7;
const QSize kThumbnail(95, 81);

// Median wall-clock milliseconds of kRuns renderings at `size`.
double medianMs(const QByteArray& data, QSize size) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QImage image = wmf::render(data, size);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        if (image.isNull()) {
            return -1;
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QString root =
        (argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PLENARVO_CORPUS_DIR)) +
        QStringLiteral("/wmf");
    QStringList files;
    QDirIterator it(root, {QStringLiteral("*.wmf")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.contains(QLatin1String("/synthetic/"))) {
            files.append(path);
        }
    }
    files.sort();
    if (files.isEmpty()) {
        std::printf("wmf_bench: no metafiles under %s; nothing to time\n", qPrintable(root));
        return 0;
    }

    QStringList pairs;
    double totalNatural = 0;
    double totalThumb = 0;
    for (const QString& path : files) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray data = f.readAll();
        const auto natural = wmf::naturalSize(data);
        if (!natural) {
            continue;
        }
        const QFileInfo info(path);
        const QString name = info.dir().dirName() + u'_' + info.completeBaseName();
        const double full = medianMs(data, *natural);
        const double thumb = medianMs(data, kThumbnail);
        std::printf("%-36s %5dx%-5d natural %8.2f ms   thumbnail %7.2f ms\n", qPrintable(name),
                    natural->width(), natural->height(), full, thumb);
        pairs << QStringLiteral("%1_natural_ms=%2").arg(name).arg(full, 0, 'f', 2)
              << QStringLiteral("%1_thumb_ms=%2").arg(name).arg(thumb, 0, 'f', 2);
        totalNatural += full;
        totalThumb += thumb;
    }
    pairs << QStringLiteral("total_natural_ms=%1").arg(totalNatural, 0, 'f', 2)
          << QStringLiteral("total_thumb_ms=%1").arg(totalThumb, 0, 'f', 2);
    std::printf("%s\n", qPrintable(pairs.join(u' ')));
    return 0;
}
