// How long a click on a thumbnail holds up the sheet, through the program's own
// code: Forms and the main window on the Qt clock and a real event loop. A folder
// holds one big photo; the sheet is opened by its button and the photo's cell is
// clicked. A 1 ms heartbeat timer measures the longest gap between its ticks from
// the click until the full view shows: the longest time the sheet answered
// nothing. For comparison, the same picture read on the user-interface thread, as
// a click once did.

#include "../common/bench_program.h"
#include "../common/photo.h"
#include "app/program_windows.h"
#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"
#include "platform/core/random.h"
#include "platform/core/twips.h"
#include "platform/qt/qt_platform.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/picture_opener.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace plenarvo;

namespace {}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir scratch;
    const QString folder = scratch.filePath(QStringLiteral("pics"));
    QDir().mkpath(folder);
    const QString photo = QDir(folder).filePath(QStringLiteral("photo.jpg"));
    {
        QImageWriter writer(photo, "jpeg");
        writer.setQuality(90);
        if (!writer.write(bench::photoLike(QSize(12000, 8400)))) {  // 100 megapixels
            std::printf("could not write the photo\n");
            return 1;
        }
    }

    // The click as it once was: the whole read on this thread.
    QElapsedTimer syncTimer;
    syncTimer.start();
    const OpenedPicture sync = PictureOpener::read(photo);
    const QImage whole = sync.picture.image();
    const double syncMs = syncTimer.nsecsElapsed() / 1e6;
    if (!sync.ok() || whole.isNull()) {
        std::printf("the photo did not read: %s\n", qPrintable(sync.error));
        return 1;
    }

    bench::BenchPlatform program(folder);
    platform::Platform& platform = program.platform;
    ProgramWindows forms(platform);
    forms.onEnd = [] { QApplication::quit(); };
    forms.start();

    double handlerMs = -1;
    double toViewMs = -1;
    double longestGapMs = 0;
    QElapsedTimer sinceClick;
    QElapsedTimer sinceBeat;
    QTimer heartbeat;
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        longestGapMs = std::max(longestGapMs, sinceBeat.nsecsElapsed() / 1e6);
        sinceBeat.start();
        if (forms.isLoaded(Window::FullView) && forms.fullView().isVisible()) {
            toViewMs = sinceClick.nsecsElapsed() / 1e6;
            heartbeat.stop();
            forms.endProgram();
        }
    });
    // After the splash phase, as a user would click.
    QTimer::singleShot(3100, &app, [&] {
        FrmImage& main = forms.image();
        main.dirPic->setPath(folder);
        main.cmdThumb->click();
    });
    // Once the sheet stands and its thumbnail has been made.
    QTimer::singleShot(6000, &app, [&] {
        FrmThumb& sheet = forms.thumb();
        sinceClick.start();
        sheet.imgThumb_Click(1);
        handlerMs = sinceClick.nsecsElapsed() / 1e6;
        sinceBeat.start();
        heartbeat.start();
    });
    QApplication::exec();
    std::printf(
        "click_handler_ms=%.2f longest_stall_ms=%.1f click_to_view_ms=%.0f "
        "read_on_ui_thread_ms=%.0f\n",
        handlerMs, std::max(longestGapMs, handlerMs), toViewMs, syncMs);
    return 0;
}
