// Runs small hostile files and large honest pictures through the picture library,
// each in a process of its own, and prints the time and the peak memory of each.
//
//   hostile_bench            makes the files in a temporary folder and runs them all
//   hostile_bench --skip-large   leaves out the large honest pictures
//
// A child run is `hostile_bench --run FILE MODE`, MODE one of thumb, preview, full
// and save; it prints "ok" or "refused", the milliseconds and the peak resident
// memory in MB.
#include "../common/photo.h"
#include "pictures/picture.h"
#include "pictures/wmf/player.h"
#include "pictures/wmf/wmf.h"
#include "support/hostile_files.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace pictures = plenarvo::pictures;
namespace wmf = plenarvo::pictures::wmf;

namespace {

const QSize kThumb(160, 120);
const QSize kPreview(457, 417);

// The peak resident memory of this process since it started (not counting what
// the parent had before it).
double peakMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
    }
    return -1;
}

int runOne(const QString& path, const QString& mode) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("missing 0 0\n");
        return 1;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QElapsedTimer timer;
    timer.start();
    bool ok = false;
    QString note;
    const pictures::Picture picture = pictures::Picture::fromData(bytes);
    if (!picture.isNull()) {
        if (mode == QLatin1String("save")) {
            ok = !picture.saveData().isEmpty();
        } else if (mode == QLatin1String("full")) {
            ok = !picture.image().isNull();
        } else {
            const QSize target = mode == QLatin1String("thumb") ? kThumb : kPreview;
            ok = !picture.scaled(target).isNull();
        }
        if (picture.format() == pictures::Format::Wmf) {
            // The renderer's own account of the same drawing.
            wmf::PlayStats stats;
            const QSize size = mode == QLatin1String("full")    ? picture.size()
                               : mode == QLatin1String("thumb") ? kThumb
                                                                : kPreview;
            QElapsedTimer again;
            again.start();
            wmf::render(bytes, size, nullptr, &stats);
            note = QStringLiteral(" budget_used=%1% stopped=%2 records=%3")
                       .arg(100.0 * double(stats.spent) / double(wmf::kDrawingBudget), 0, 'f', 0)
                       .arg(stats.stopped ? 1 : 0)
                       .arg(stats.records);
            // The first drawing is the one timed; the second only reports.
        }
    }
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    std::printf("%s %.1f %.1f%s\n", ok ? "ok" : "refused", ms, peakMb(), qPrintable(note));
    return 0;
}

// One thread decodes an icon in a loop while this one decodes a 5000x4000 GIF
// and a 6000x4000 JPEG 200 times in all; prints the failures of each kind.
int runConcurrency() {
    const QByteArray gif = hostile::gif(QSize(5000, 4000), hostile::bands(QSize(5000, 4000)));
    const QByteArray jpeg = hostile::jpeg(plenarvo::bench::photoLike(QSize(6000, 4000)), false, 85);
    QImage iconImage(48, 48, QImage::Format_ARGB32);
    iconImage.fill(Qt::red);
    QByteArray icon;
    QBuffer buffer(&icon);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "ico").write(iconImage);
    std::atomic<bool> done{false};
    std::atomic<int> iconFailures{0};
    std::thread icons([&] {
        while (!done.load()) {
            iconFailures += pictures::Picture::fromData(icon).image().isNull();
        }
    });
    int failures = 0;
    for (int i = 0; i < 200; ++i) {
        const pictures::Picture picture = pictures::Picture::fromData(i % 2 ? gif : jpeg);
        // The GIF as the thumbnail sheet asks for it, the JPEG whole.
        failures += (i % 2 ? picture.scaled(kThumb) : picture.image()).isNull();
    }
    done = true;
    icons.join();
    std::printf("%d %d\n", failures, iconFailures.load());
    return 0;
}

struct Case {
    QString name;
    bool hostile;
    std::function<QByteArray()> make;
    QStringList modes;
};

bool write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--run")) {
        return runOne(args[2], args[3]);
    }
    if (args.size() == 2 && args[1] == QLatin1String("--concurrency")) {
        return runConcurrency();
    }
    const bool skipLarge = args.contains(QLatin1String("--skip-large"));

    const QStringList drawn = {QStringLiteral("thumb"), QStringLiteral("preview"),
                               QStringLiteral("full")};
    const QStringList all = {QStringLiteral("thumb"), QStringLiteral("full"),
                             QStringLiteral("save")};
    std::vector<Case> cases = {
        {QStringLiteral("wmf_region_flood"), true, [] { return hostile::regionFlood(10000, 1000); },
         drawn},
        {QStringLiteral("wmf_stacked_text"), true, [] { return hostile::stackedText(600, 40); },
         drawn},
        {QStringLiteral("wmf_wide_polyline"), true, [] { return hostile::widePolyline(32767, 40); },
         drawn},
        {QStringLiteral("wmf_pattern_brushes"),
         true,
         [] { return hostile::bigPatternBrushes(hostile::flatPng(QSize(7000, 7000)), 40); },
         {QStringLiteral("preview")}},
        {QStringLiteral("bmp_rle8_claims_14800"), true,
         [] {
             QByteArray runs;
             for (int i = 0; i < 7000; ++i) {
                 runs.append(char(255)).append(char(i & 0xFF));
             }
             return hostile::bmp8(14800, 14800, 1, runs);
         },
         all},
        {QStringLiteral("bmp_plain_claims_14800"), true,
         [] { return hostile::bmp8(14800, 14800, 0, QByteArray(44000, '\x40')); }, all},
        {QStringLiteral("jpeg_progressive_claims_14800"), true,
         [] {
             return hostile::jpegClaiming(
                 hostile::jpeg(plenarvo::bench::photoLike(QSize(16, 16)), true, 50), 14800, 14800);
         },
         all},
        {QStringLiteral("gif_screen_65535x3300"), true,
         [] { return hostile::gif(QSize(65535, 3300), hostile::bands(QSize(1, 1))); }, all},
        {QStringLiteral("ico_entries_3k"),
         true,
         [] { return hostile::iconFlood(50, 4096, 4096); },
         {QStringLiteral("thumb")}},
        {QStringLiteral("ico_entries_1m"),
         true,
         [] { return hostile::iconFlood(18000, 4096, 4096); },
         {QStringLiteral("thumb")}},
    };
    if (!skipLarge) {
        cases.push_back({QStringLiteral("jpeg_200mp"),
                         false,
                         [] {
                             return hostile::jpeg(plenarvo::bench::photoLike(QSize(16384, 12208)),
                                                  false, 85);
                         },
                         {QStringLiteral("thumb"), QStringLiteral("full")}});
        cases.push_back({QStringLiteral("bmp_12000x9000x24"),
                         false,
                         [] { return hostile::bmp24(12000, 9000); },
                         {QStringLiteral("thumb"), QStringLiteral("full")}});
        cases.push_back(
            {QStringLiteral("gif_6000x4000"),
             false,
             [] { return hostile::gif(QSize(6000, 4000), hostile::bands(QSize(6000, 4000))); },
             {QStringLiteral("thumb"), QStringLiteral("full")}});
    }

    QTemporaryDir dir;
    double worstHostileMs = 0;
    double worstHostileMb = 0;
    double worstLargeMs = 0;
    double worstLargeMb = 0;
    int largeFailed = 0;
    std::printf("%-32s %-8s %-8s %10s %9s %8s\n", "file", "bytes", "mode", "result", "ms",
                "peak MB");
    for (const Case& c : cases) {
        const QByteArray bytes = c.make();
        const QString path = dir.filePath(c.name);
        if (!write(path, bytes)) {
            std::printf("%s: cannot write\n", qPrintable(c.name));
            return 1;
        }
        for (const QString& mode : c.modes) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--run"), path, mode});
            child.waitForFinished(-1);
            const QStringList words =
                QString::fromLocal8Bit(child.readAllStandardOutput()).trimmed().split(u' ');
            if (words.size() < 3) {
                std::printf("%-32s %-8lld %-8s  child failed\n", qPrintable(c.name),
                            qint64(bytes.size()), qPrintable(mode));
                ++largeFailed;
                continue;
            }
            const double ms = words[1].toDouble();
            const double mb = words[2].toDouble();
            std::printf("%-32s %-8lld %-8s %10s %9.1f %8.1f %s\n", qPrintable(c.name),
                        qint64(bytes.size()), qPrintable(mode), qPrintable(words[0]), ms, mb,
                        qPrintable(words.mid(3).join(u' ')));
            std::fflush(stdout);
            if (c.hostile) {
                worstHostileMs = std::max(worstHostileMs, ms);
                worstHostileMb = std::max(worstHostileMb, mb);
            } else {
                worstLargeMs = std::max(worstLargeMs, ms);
                worstLargeMb = std::max(worstLargeMb, mb);
                largeFailed += words[0] != QLatin1String("ok");
            }
        }
    }
    std::printf(
        "worst_hostile_ms=%.0f worst_hostile_peak_mb=%.0f worst_large_ms=%.0f "
        "worst_large_peak_mb=%.0f large_failed=%d\n",
        worstHostileMs, worstHostileMb, worstLargeMs, worstLargeMb, largeFailed);
    return 0;
}
