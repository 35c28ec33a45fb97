// Time per slide-show tick for big JPEGs, with and without decoding the next
// picture ahead. The real handlers run on a real event loop with the Qt clock;
// each tick is timed from the start of Timer1_Timer to the end of the repaint of
// the full view it shows, which is the pause the user sees.

#include "../common/bench_program.h"
#include "../common/photo.h"
#include "app/program_windows.h"
#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"
#include "platform/core/random.h"
#include "platform/qt/qt_platform.h"
#include "timed_viewing/slide_ahead.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace plenarvo;

namespace {

// A photo-like JPEG: smooth gradients with grain, quality 90.
void writePhoto(const QString& path, QSize size, int seed) {
    const QImage image = bench::photoLike(size, static_cast<quint32>(seed));
    if (!image.save(path, "JPEG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// The process's peak resident memory in megabytes, from the kernel's count.
long peakRssMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong() / 1024;
        }
    }
    return -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs a show in `folder` for `ticks` ticks and returns the median time per tick.
double timeTicks(FrmImage& main, ProgramWindows& forms, const QString& folder, bool ahead,
                 int ticks) {
    SlideAhead::setEnabled(ahead);
    main.dirPic->setPath(folder);
    main.txtSeconds->setText(QStringLiteral("2"));
    std::vector<double> times;
    QEventLoop loop;
    main.Timer1->setOnTick([&] {
        QElapsedTimer clock;
        clock.start();
        main.Timer1_Timer();
        forms.fullView().repaint();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (static_cast<int>(times.size()) == ticks) {
            loop.quit();
        }
    });
    main.chkTimed->setValue(1);  // the first picture is shown at once, untimed
    loop.exec();
    main.chkTimed->setValue(0);
    main.Timer1->setEnabled(false);
    return median(times);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir temp;

    struct Size {
        const char* name;
        QSize size;
    };
    const Size sizes[] = {{"12mp", {4000, 3000}}, {"48mp", {8000, 6000}}};
    for (const Size& s : sizes) {
        QDir(temp.path()).mkpath(QString::fromLatin1(s.name));
        for (int i = 0; i < 3; ++i) {
            writePhoto(QDir(temp.filePath(QString::fromLatin1(s.name)))
                           .filePath(QStringLiteral("photo%1.jpg").arg(i)),
                       s.size, i + 1);
        }
    }

    bench::PrintedMessages messages;
    bench::BenchPlatform program(temp.path(), &messages);
    platform::Platform& platform = program.platform;

    const int ticks = 5;
    QStringList figures;
    {
        ProgramWindows forms(platform);
        forms.start();
        FrmImage& main = forms.image();
        for (const Size& s : sizes) {
            const QString folder = temp.filePath(QString::fromLatin1(s.name));
            for (bool ahead : {false, true}) {
                const SlideAhead::Counts before = SlideAhead::counts();
                const double ms = timeTicks(main, forms, folder, ahead, ticks);
                const int hits = SlideAhead::counts().hits - before.hits;
                const QString key =
                    QStringLiteral("tick_%1_%2")
                        .arg(QString::fromLatin1(s.name),
                             ahead ? QStringLiteral("ahead") : QStringLiteral("plain"));
                std::printf("%s: median %.1f ms per tick over %d ticks, %d decoded ahead\n",
                            qPrintable(key), ms, ticks, hits);
                std::fflush(stdout);
                figures << QStringLiteral("%1_ms=%2").arg(key).arg(ms, 0, 'f', 1);
                if (ahead) {
                    figures
                        << QStringLiteral("hits_%1=%2").arg(QString::fromLatin1(s.name)).arg(hits);
                }
            }
        }
    }
    figures << QStringLiteral("peak_rss_mb=%1").arg(peakRssMb());
    std::printf("%s\n", qPrintable(figures.join(QLatin1Char(' '))));
    return 0;
}
