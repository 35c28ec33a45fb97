// How long the user-interface thread is held up while big pictures come into the
// full view, through the program's own code: Forms and the main window on the Qt
// clock and a real event loop. For each picture (12, 48 and 108 MP JPEGs and a
// 12000x9000 bitmap, each alone in its folder) it opens the view by "F&ull
// Screen" and starts a slide show on it. A 1 ms heartbeat timer measures the
// longest gap between its ticks from the click until the view shows: the longest
// time the program answered nothing. The view's first opening after start-up,
// which shows the picture at natural size, is measured apart on the 108 MP JPEG.
//
// With --program <plenarvo binary> it also starts the real program on the 108 MP
// JPEG, clicks "F&ull Screen" through its standard-input commands and then "E&xit"
// while the picture is still being read, and times how long the process takes to
// end after that command was sent.

#include "../common/bench_program.h"
#include "../common/photo.h"
#include "app/program_windows.h"
#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace plenarvo;

namespace {

struct Sample {
    QString name;
    QSize size;
    const char* format;
    QString folder;
};

// One measured step: runs `act`, then beats every millisecond until `done()`.
class Heartbeat {
public:
    void measure(const std::function<void()>& act, const std::function<bool()>& done,
                 std::function<void(double stallMs, double toDoneMs)> report) {
        longest_ = 0;
        since_.start();
        sinceBeat_.start();
        act();
        longest_ = sinceBeat_.nsecsElapsed() / 1e6;  // the handler itself
        sinceBeat_.start();
        QObject::disconnect(connection_);
        connection_ = QObject::connect(&timer_, &QTimer::timeout, [this, done, report] {
            longest_ = std::max(longest_, sinceBeat_.nsecsElapsed() / 1e6);
            sinceBeat_.start();
            if (done()) {
                timer_.stop();
                report(longest_, since_.nsecsElapsed() / 1e6);
            }
        });
        timer_.setInterval(1);
        timer_.start();
    }

private:
    QTimer timer_;
    QMetaObject::Connection connection_;
    QElapsedTimer since_;
    QElapsedTimer sinceBeat_;
    double longest_ = 0;
};

double closeWhileReading(const QString& program, const QString& photo) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The commands are read while the window trace is on; its lines are not wanted.
    env.insert(QStringLiteral("PLENARVO_STDIN_COMMANDS"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("plenarvo.windows=true"));
    child.setProcessEnvironment(env);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.start(program, {photo});
    if (!child.waitForStarted()) {
        return -1;
    }
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 4000) {  // the splash phase
        child.waitForFinished(100);
    }
    child.write("click Full Screen\n");
    child.waitForFinished(150);  // the picture is being read
    QElapsedTimer sinceExit;
    child.write("click Exit\n");
    sinceExit.start();
    if (!child.waitForFinished(30000)) {
        child.kill();
        return -1;
    }
    return sinceExit.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QApplication::arguments();
    const int programAt = static_cast<int>(args.indexOf(QStringLiteral("--program")));
    const QString program = programAt > 0 ? args.value(programAt + 1) : QString();

    QTemporaryDir scratch;
    std::vector<Sample> samples = {
        {QStringLiteral("jpeg_12mp"), {4000, 3000}, "jpeg", {}},
        {QStringLiteral("jpeg_48mp"), {8000, 6000}, "jpeg", {}},
        {QStringLiteral("jpeg_108mp"), {12000, 9000}, "jpeg", {}},
        {QStringLiteral("bmp_108mp"), {12000, 9000}, "bmp", {}},
    };
    for (Sample& s : samples) {
        s.folder = scratch.filePath(s.name);
        QDir().mkpath(s.folder);
        QImageWriter writer(QDir(s.folder).filePath(QStringLiteral("photo.") + s.format), s.format);
        writer.setQuality(90);
        if (!writer.write(bench::photoLike(s.size, 7))) {
            std::fprintf(stderr, "could not write %s\n", qPrintable(s.name));
            return 1;
        }
    }

    bench::PrintedMessages messages;
    bench::BenchPlatform bench(scratch.path(), &messages);
    ProgramWindows forms(bench.platform);
    forms.onEnd = [] { QApplication::quit(); };
    forms.start();
    FrmImage& main = forms.image();

    QStringList figures;
    Heartbeat beat;
    const auto viewShown = [&] {
        return forms.isLoaded(Window::FullView) && forms.fullView().isVisible();
    };
    // The steps, one after the other, each started once the one before is done.
    std::vector<std::function<void(std::function<void()>)>> steps;
    const auto open = [&](const Sample& s) {
        main.dirPic->setPath(s.folder);
        main.filPic->setListIndex(0);
        main.cmdShow_Click();
    };
    const auto back = [&](const std::function<void()>& next) {
        forms.fullView().cmdAnyKey_Click();
        QTimer::singleShot(300, next);
    };
    // The machine's own noise: the longest gap while the program does nothing.
    steps.push_back([&](std::function<void()> next) {
        QElapsedTimer idle;
        idle.start();
        beat.measure([] {}, [idle] { return idle.elapsed() > 2000; },
                     [&, next](double stall, double) {
                         figures << QStringLiteral("idle_stall_ms=%1").arg(stall, 0, 'f', 1);
                         next();
                     });
    });
    // The first opening after start-up shows the picture at natural size.
    steps.push_back([&](std::function<void()> next) {
        open(samples[2]);
        beat.measure(
            [&] { main.cmdFullScreen->click(); }, viewShown,
            [&, next](double stall, double to) {
                figures << QStringLiteral("natural_jpeg_108mp_stall_ms=%1").arg(stall, 0, 'f', 1)
                        << QStringLiteral("natural_jpeg_108mp_view_ms=%1").arg(to, 0, 'f', 0);
                back(next);
            });
    });
    for (const Sample& s : samples) {
        steps.push_back([&, s](std::function<void()> next) {
            open(s);
            beat.measure([&] { main.cmdFullScreen->click(); }, viewShown,
                         [&, s, next](double stall, double to) {
                             figures << QStringLiteral("fullscreen_%1_stall_ms=%2")
                                            .arg(s.name)
                                            .arg(stall, 0, 'f', 1)
                                     << QStringLiteral("fullscreen_%1_view_ms=%2")
                                            .arg(s.name)
                                            .arg(to, 0, 'f', 0);
                             back(next);
                         });
        });
        steps.push_back([&, s](std::function<void()> next) {
            main.dirPic->setPath(s.folder);
            beat.measure(
                [&] { main.chkTimed->click(); }, viewShown,
                [&, s, next](double stall, double to) {
                    figures
                        << QStringLiteral("slideshow_%1_stall_ms=%2")
                               .arg(s.name)
                               .arg(stall, 0, 'f', 1)
                        << QStringLiteral("slideshow_%1_view_ms=%2").arg(s.name).arg(to, 0, 'f', 0);
                    back(next);
                });
        });
    }
    std::function<void(size_t)> run = [&](size_t at) {
        if (at == steps.size()) {
            forms.endProgram();
            return;
        }
        steps[at]([&, at] { run(at + 1); });
    };
    QTimer::singleShot(3200, &app, [&] { run(0); });  // after the splash phase
    QApplication::exec();

    // The old roads, which did this work on the user-interface thread: Full
    // Screen decoded the previewed picture whole for the picture box; the first
    // slide read the file, decoded it for the preview and whole for the box.
    for (const Sample& s : samples) {
        const QString path = QDir(s.folder).filePath(QStringLiteral("photo.") + s.format);
        const pictures::Picture previewed = pictures::Picture::fromFile(path);
        QElapsedTimer t;
        t.start();
        const bool whole = !previewed.image().isNull();
        const double fullScreenMs = t.nsecsElapsed() / 1e6;
        t.start();
        const pictures::Picture slide = pictures::Picture::fromFile(path);
        const bool both = !slide.scaled(QSize(457, 417)).isNull() && !slide.image().isNull();
        const double slideMs = t.nsecsElapsed() / 1e6;
        if (!whole || !both) {
            std::fprintf(stderr, "%s did not decode\n", qPrintable(s.name));
        }
        figures
            << QStringLiteral("old_fullscreen_%1_stall_ms=%2")
                   .arg(s.name)
                   .arg(fullScreenMs, 0, 'f', 0)
            << QStringLiteral("old_slideshow_%1_stall_ms=%2").arg(s.name).arg(slideMs, 0, 'f', 0);
    }

    if (!program.isEmpty()) {
        const double closeMs = closeWhileReading(
            program, QDir(samples[2].folder).filePath(QStringLiteral("photo.jpeg")));
        figures << QStringLiteral("close_while_reading_ms=%1").arg(closeMs, 0, 'f', 0);
    }
    std::printf("%s\n", qPrintable(figures.join(QLatin1Char(' '))));
    return 0;
}
