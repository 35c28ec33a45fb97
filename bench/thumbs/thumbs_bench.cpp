// How fast the thumbnail sheet fills on a folder of 12-megapixel photos, through
// the program's own code: Forms and the main window on the Qt clock and a real
// event loop. The sheet is opened by its button and scrolled after every batch
// until every cell has its picture. Each folder is measured in a child process,
// so that its peak memory is the program's alone; the child takes its thumbnail
// cache from XDG_CACHE_HOME as the program does, so that two children with the same
// cache measure a first and a second opening.

#include "../common/bench_program.h"
#include "../common/photo.h"
#include "app/program_windows.h"
#include "main_window/frm_image.h"
#include "platform/core/random.h"
#include "platform/qt/qt_platform.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/thumbnail_cache.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace plenarvo;

namespace {

constexpr int kPhotos = 755;

bool writeImage(const QImage& image, const QString& path, const char* format, int quality = -1) {
    QImageWriter writer(path, format);
    if (quality >= 0) {
        writer.setQuality(quality);
    }
    return writer.write(image);
}

// A minimal GIF writer: a 3-3-2 palette and LZW data that only ever uses
// literal codes, with a clear code before the table would grow past 9 bits.
bool writeGif(const QImage& source, const QString& path) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QByteArray out("GIF89a");
    auto word = [&](int v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>((v >> 8) & 0xFF));
    };
    word(image.width());
    word(image.height());
    out.append(static_cast<char>(0xF7));  // global table of 256 colours
    out.append('\0');
    out.append('\0');
    for (int i = 0; i < 256; ++i) {
        out.append(static_cast<char>((i >> 5) * 255 / 7));
        out.append(static_cast<char>(((i >> 2) & 7) * 255 / 7));
        out.append(static_cast<char>((i & 3) * 255 / 3));
    }
    out.append(',');
    word(0);
    word(0);
    word(image.width());
    word(image.height());
    out.append('\0');
    out.append('\x08');  // minimum code size
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto code = [&](int c) {
        bits |= static_cast<quint32>(c) << count;
        count += 9;
        while (count >= 8) {
            data.append(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    code(256);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 254) {
                code(256);
                sinceClear = 0;
            }
            const QRgb c = line[x];
            code((qRed(c) >> 5) << 5 | (qGreen(c) >> 5) << 2 | qBlue(c) >> 6);
            ++sinceClear;
        }
    }
    code(257);
    if (count > 0) {
        data.append(static_cast<char>(bits & 0xFF));
    }
    for (qsizetype i = 0; i < data.size(); i += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - i);
        out.append(static_cast<char>(n));
        out.append(data.mid(i, n));
    }
    out.append('\0');
    out.append(';');
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

void appendLe16(QByteArray& b, quint32 v) {
    b.append(static_cast<char>(v & 0xFF)).append(static_cast<char>((v >> 8) & 0xFF));
}
void appendLe32(QByteArray& b, quint32 v) {
    appendLe16(b, v & 0xFFFF);
    appendLe16(b, v >> 16);
}

// The photo's bytes with an EXIF segment after SOI, as a camera writes it: IFD0
// with the orientation, IFD1 with a 160x120 JPEG thumbnail of the photo.
QByteArray withEmbeddedThumbnail(const QByteArray& jpeg) {
    QBuffer source;
    source.setData(jpeg);
    source.open(QIODevice::ReadOnly);
    QImageReader reader(&source, "jpeg");
    reader.setScaledSize(QSize(160, 120));
    QByteArray thumbnail;
    QBuffer sink(&thumbnail);
    sink.open(QIODevice::WriteOnly);
    QImageWriter writer(&sink, "jpeg");
    writer.setQuality(85);
    if (!writer.write(reader.read())) {
        return jpeg;
    }
    const quint32 ifd1 = 8 + 2 + 12 + 4;
    const quint32 data = ifd1 + 2 + 2 * 12 + 4;
    QByteArray tiff("II*\0", 4);
    appendLe32(tiff, 8);
    appendLe16(tiff, 1);  // IFD0: Orientation 1
    appendLe16(tiff, 0x0112);
    appendLe16(tiff, 3);
    appendLe32(tiff, 1);
    appendLe32(tiff, 1);
    appendLe32(tiff, ifd1);
    appendLe16(tiff, 2);  // IFD1: where the thumbnail is and how long
    appendLe16(tiff, 0x0201);
    appendLe16(tiff, 4);
    appendLe32(tiff, 1);
    appendLe32(tiff, data);
    appendLe16(tiff, 0x0202);
    appendLe16(tiff, 4);
    appendLe32(tiff, 1);
    appendLe32(tiff, static_cast<quint32>(thumbnail.size()));
    appendLe32(tiff, 0);
    tiff.append(thumbnail);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(static_cast<char>((payload.size() + 2) >> 8))
        .append(static_cast<char>((payload.size() + 2) & 0xFF));
    return jpeg.left(2) + segment + payload + jpeg.mid(2);
}

// Makes the folders once; a marker file says a folder is complete.
bool makeFolders(const QString& cache) {
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    const QString photos = QDir(cache).filePath(QStringLiteral("photos"));
    if (!QFile::exists(QDir(photos).filePath(QStringLiteral(".complete")))) {
        std::printf("writing %d photos of 4000x3000 (once)...\n", kPhotos);
        std::fflush(stdout);
        QDir().mkpath(photos);
        for (int i = 0; i < kPhotos; ++i) {
            pool.start([photos, i] {
                const QString path = QDir(photos).filePath(
                    QStringLiteral("photo%1.jpg").arg(i, 4, 10, QLatin1Char('0')));
                if (!QFile::exists(path)) {
                    writeImage(bench::photoLike(QSize(4000, 3000), static_cast<quint32>(i)), path,
                               "jpeg", 85);
                }
            });
        }
        pool.waitForDone();
        QFile(QDir(photos).filePath(QStringLiteral(".complete"))).open(QIODevice::WriteOnly);
    }
    const QString mixed = QDir(cache).filePath(QStringLiteral("mixed"));
    if (!QFile::exists(QDir(mixed).filePath(QStringLiteral(".complete")))) {
        std::printf("writing the mixed folder (once)...\n");
        std::fflush(stdout);
        QDir().mkpath(mixed);
        const QSize jpegSizes[] = {{640, 480}, {1600, 1200}, {4000, 3000}, {6000, 4000}};
        for (int i = 0; i < 200; ++i) {
            pool.start([mixed, i, jpegSizes] {
                const auto seed = static_cast<quint32>(1000 + i);
                const QString base =
                    QDir(mixed).filePath(QStringLiteral("m%1").arg(i, 3, 10, QLatin1Char('0')));
                switch (i % 4) {
                    case 0:
                        writeImage(bench::photoLike(QSize(800 + i, 600), seed),
                                   base + QStringLiteral(".bmp"), "bmp");
                        break;
                    case 1:
                        writeGif(bench::photoLike(QSize(500, 400 + i), seed),
                                 base + QStringLiteral(".gif"));
                        break;
                    case 2:
                        writeImage(
                            bench::photoLike(QSize(32 << (i / 4 % 4), 32 << (i / 4 % 4)), seed)
                                .scaled(i % 8 == 2 ? 256 : 48, i % 8 == 2 ? 256 : 48),
                            base + QStringLiteral(".ico"), "ico");
                        break;
                    default: {
                        const QSize s = jpegSizes[i / 4 % 4];
                        writeImage(bench::photoLike(QSize(s.width(), s.height()), seed),
                                   base + QStringLiteral(".jpg"), "jpeg", 85);
                    }
                }
            });
        }
        pool.waitForDone();
        QFile(QDir(mixed).filePath(QStringLiteral(".complete"))).open(QIODevice::WriteOnly);
    }
    const QString exif = QDir(cache).filePath(QStringLiteral("photos-exif"));
    if (!QFile::exists(QDir(exif).filePath(QStringLiteral(".complete")))) {
        std::printf("copying the photos with embedded thumbnails (once)...\n");
        std::fflush(stdout);
        QDir().mkpath(exif);
        const QStringList names =
            QDir(photos).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
        for (const QString& name : names) {
            pool.start([photos, exif, name] {
                QFile in(QDir(photos).filePath(name));
                QFile out(QDir(exif).filePath(name));
                if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly)) {
                    out.write(withEmbeddedThumbnail(in.readAll()));
                }
            });
        }
        pool.waitForDone();
        QFile(QDir(exif).filePath(QStringLiteral(".complete"))).open(QIODevice::WriteOnly);
    }
    const QString icc = QDir(cache).filePath(QStringLiteral("photos-icc"));
    if (!QFile::exists(QDir(icc).filePath(QStringLiteral(".complete")))) {
        std::printf("copying the photos with an Adobe RGB profile (once)...\n");
        std::fflush(stdout);
        QDir().mkpath(icc);
        const QStringList names =
            QDir(photos).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
        for (const QString& name : names) {
            pool.start([photos, icc, name] {
                QFile in(QDir(photos).filePath(name));
                QFile out(QDir(icc).filePath(name));
                if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly)) {
                    out.write(bench::withColourProfile(in.readAll()));
                }
            });
        }
        pool.waitForDone();
        QFile(QDir(icc).filePath(QStringLiteral(".complete"))).open(QIODevice::WriteOnly);
    }
    return true;
}

long peakRssKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toLong();
        }
    }
    return -1;
}

// The child: opens the sheet on `folder` and scrolls it to completion.
int measure(int argc, char** argv, const QString& folder) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    bench::BenchPlatform program(folder);
    platform::Platform& platform = program.platform;

    ProgramWindows forms(platform);
    forms.onEnd = [] { QApplication::quit(); };
    forms.start();
    QElapsedTimer clockFromClick;
    double firstRowMs = -1;
    double longestBatchMs = 0;
    double builtMs = -1;
    double completeMs = -1;
    int batches = 0;
    int arrived = 0;
    int firstRowArrived = 0;
    QElapsedTimer batchTimer;

    auto scroll = [&forms] {
        QScrollBar* bar = forms.thumb().vsrPallet;
        const int next = bar->value() + bar->pageStep();
        bar->setValue(next <= bar->maximum() ? next : 0);
    };
    auto open = [&] {
        FrmImage& main = forms.image();
        main.dirPic->setPath(folder);
        clockFromClick.start();
        main.cmdThumb->click();
        FrmThumb& sheet = forms.thumb();
        const int count = sheet.ThumbCount;
        const int firstRow = std::min(count, 5);
        sheet.beforeBatch = [&] { batchTimer.start(); };
        sheet.afterBatch = [&, count] {
            longestBatchMs = std::max(longestBatchMs, batchTimer.nsecsElapsed() / 1e6);
            ++batches;
            if (forms.thumb().RowEnd < count) {
                // After this batch's event: the user scrolls on.
                QMetaObject::invokeMethod(qApp, scroll, Qt::QueuedConnection);
            } else if (builtMs < 0) {
                builtMs = clockFromClick.nsecsElapsed() / 1e6;
            }
        };
        sheet.afterThumbnail = [&, count, firstRow](int cell) {
            ++arrived;
            if (cell <= firstRow && ++firstRowArrived == firstRow) {
                firstRowMs = clockFromClick.nsecsElapsed() / 1e6;
            }
            if (arrived == count) {
                completeMs = clockFromClick.nsecsElapsed() / 1e6;
                forms.endProgram();
            }
        };
        if (count == 0) {
            forms.endProgram();
        }
    };
    // After the splash phase, as a user would click.
    QTimer::singleShot(3100, &app, open);
    QApplication::exec();
    std::printf("child folder=%s cells=%d batches=%d built_ms=%.0f\n", qPrintable(folder), arrived,
                batches, builtMs);
    // lag_ms: how long after the last batch the last thumbnail came; 0 when every
    // picture was ready for its cell as the batch built it.
    const double complete = std::max(completeMs, builtMs);
    std::printf(
        "first_row_ms=%.1f longest_batch_ms=%.1f complete_ms=%.0f lag_ms=%.0f peak_rss_mb=%.1f\n",
        firstRowMs, longestBatchMs, complete, complete - builtMs,
        static_cast<double>(peakRssKb()) / 1024.0);
    return 0;
}

QMap<QString, QString> lastLinePairs(const QByteArray& output) {
    QMap<QString, QString> pairs;
    const QList<QByteArray> lines = output.trimmed().split('\n');
    for (const QByteArray& pair : lines.last().split(' ')) {
        const qsizetype eq = pair.indexOf('=');
        if (eq > 0) {
            pairs.insert(QString::fromUtf8(pair.left(eq)), QString::fromUtf8(pair.mid(eq + 1)));
        }
    }
    return pairs;
}

// One vipsthumbnail run over the folder's pictures, in milliseconds; -1 without it.
double vipsMs(const QString& folder, const QStringList& filters) {
    const QString vips = QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail"));
    if (vips.isEmpty()) {
        return -1;
    }
    QTemporaryDir out;
    QStringList args{QStringLiteral("--size"), QStringLiteral("95x81!"), QStringLiteral("-o"),
                     out.filePath(QStringLiteral("%s.jpg"))};
    for (const QString& name : QDir(folder).entryList(filters, QDir::Files, QDir::Name)) {
        args << QDir(folder).filePath(name);
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(vips, args);
    if (!process.waitForFinished(-1)) {
        return -1;
    }
    return timer.nsecsElapsed() / 1e6;
}

// The decoding floor: every JPEG in the folder read by a plain QImageReader with
// setScaledSize at the cell's size, on two threads, in milliseconds.
double scaledDecodeMs(const QString& folder) {
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    QElapsedTimer timer;
    timer.start();
    for (const QString& name : names) {
        pool.start([path = QDir(folder).filePath(name)] {
            QImageReader reader(path);
            reader.setScaledSize(QSize(95, 81));
            reader.read();
        });
    }
    pool.waitForDone();
    return timer.nsecsElapsed() / 1e6;
}

// The loader's work alone, outside the sheet: every picture of the folder made
// into a 95x81 cell by the loader's worker function on two threads, with the
// cache under `cacheHome`, in milliseconds.
double workMs(const QString& folder, const QString& cacheHome) {
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    const ThumbnailCache cache(cacheHome);
    QThreadPool pool;
    pool.setMaxThreadCount(2);
    QElapsedTimer timer;
    timer.start();
    for (const QString& name : names) {
        pool.start([&cache, path = QDir(folder).filePath(name)] {
            makeThumbnail(path, QSize(95, 81), cache);
        });
    }
    pool.waitForDone();
    return timer.nsecsElapsed() / 1e6;
}

// One child run on `folder` with `cacheHome` as its XDG_CACHE_HOME.
QMap<QString, QString> runChild(const QString& name, const QString& folder,
                                const QString& cacheHome) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cacheHome);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), folder});
    child.waitForFinished(-1);
    const QByteArray output = child.readAllStandardOutput();
    std::printf("%s: %s", qPrintable(name), output.constData());
    std::fflush(stdout);
    return lastLinePairs(output);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--measure") == 0) {
        return measure(argc, argv, QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString cache =
        argc >= 2 ? QString::fromLocal8Bit(argv[1]) : scratch.path();  // a cache folder saves time
    makeFolders(cache);

    QString last;
    auto add = [&last](const QString& name, const QString& value) {
        last += name + u'=' + value + u' ';
    };
    auto addFigures = [&add](const QString& prefix, const QMap<QString, QString>& figures) {
        for (auto it = figures.begin(); it != figures.end(); ++it) {
            add(prefix + u'_' + it.key(), it.value());
        }
    };
    auto ratio = [](double a, double b) {
        return a > 0 && b > 0 ? QString::number(a / b, 'f', 2) : QStringLiteral("-1");
    };

    const QString photos = QDir(cache).filePath(QStringLiteral("photos"));
    const double decode = scaledDecodeMs(photos);
    std::printf("photos: two-thread scaled decode %.0f ms\n", decode);
    add(QStringLiteral("scaled_decode_ms"), QString::number(decode, 'f', 0));

    // Each folder opened twice with one fresh cache: a first opening, which writes
    // the cache, then a second, which finds it warm.
    const QString exif = QDir(cache).filePath(QStringLiteral("photos-exif"));
    const QString icc = QDir(cache).filePath(QStringLiteral("photos-icc"));
    double photosFirst = -1;
    for (const auto& [label, folder] :
         {std::pair{QStringLiteral("photos"), photos}, std::pair{QStringLiteral("icc"), icc},
          std::pair{QStringLiteral("exif"), exif}}) {
        QTemporaryDir home;
        for (const char* opening : {"first", "second"}) {
            const QString prefix = label + u'_' + QLatin1String(opening);
            const QMap<QString, QString> figures = runChild(prefix, folder, home.path());
            addFigures(prefix, figures);
            if (prefix == QLatin1String("photos_first")) {
                photosFirst = figures.value(QStringLiteral("complete_ms")).toDouble();
            }
        }
        // The same cells made outside the sheet, which paces its batches: from the
        // warm cache, and from a cold one (the embedded thumbnails, or decoding).
        const double warm = workMs(folder, home.path());
        QTemporaryDir cold;
        const double fresh = workMs(folder, cold.path());
        std::printf("%s: loader work alone: warm cache %.0f ms, cold cache %.0f ms\n",
                    qPrintable(label), warm, fresh);
        add(label + QStringLiteral("_work_warm_ms"), QString::number(warm, 'f', 0));
        if (fresh >= 0) {
            add(label + QStringLiteral("_work_cold_ms"), QString::number(fresh, 'f', 0));
        }
    }
    const double vips = vipsMs(photos, {QStringLiteral("*.jpg")});
    std::printf("photos: vipsthumbnail_ms=%.0f\n", vips);
    add(QStringLiteral("photos_vipsthumbnail_ms"), QString::number(vips, 'f', 0));
    add(QStringLiteral("photos_first_vs_decode"), ratio(photosFirst, decode));
    add(QStringLiteral("photos_first_vs_vips"), ratio(photosFirst, vips));

    // libvips reads neither ICO nor BMP through its own loaders; it gets the JPEGs and GIFs.
    const QString mixed = QDir(cache).filePath(QStringLiteral("mixed"));
    QTemporaryDir mixedHome;
    const QMap<QString, QString> mixedFigures =
        runChild(QStringLiteral("mixed"), mixed, mixedHome.path());
    addFigures(QStringLiteral("mixed"), mixedFigures);
    const double mixedVips = vipsMs(mixed, {QStringLiteral("*.jpg"), QStringLiteral("*.gif")});
    std::printf("mixed: vipsthumbnail_ms=%.0f\n", mixedVips);
    add(QStringLiteral("mixed_vipsthumbnail_ms"), QString::number(mixedVips, 'f', 0));
    add(QStringLiteral("mixed_complete_vs_vips"),
        ratio(mixedFigures.value(QStringLiteral("complete_ms")).toDouble(), mixedVips));
    std::printf("%s\n", qPrintable(last.trimmed()));
    return 0;
}
