#include "app/command_line.h"
#include "app/program_windows.h"
#include "app/window_trace.h"
#include "decoding/decode_queue.h"
#include "main_window/frm_image.h"
#include "pictures/cost.h"
#include "pictures/file_names.h"
#include "platform/core/paths.h"
#include "platform/core/random.h"
#include "platform/qt/display_colours.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_help.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_system.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    plenarvo::guardStandardStreams();
    // The command line is read before the application object exists, so that
    // --help and --version answer without a display.
    plenarvo::nameApplication();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(plenarvo::pictures::fileNameFromBytes(argv[i]));
    }
    const plenarvo::CommandLine line = plenarvo::readCommandLine(arguments);
    std::fputs(line.output.toLocal8Bit().constData(), stdout);
    std::fputs(line.errors.toLocal8Bit().constData(), stderr);
    if (line.exitCode) {
        return *line.exitCode;
    }

    // Once for the whole process, before any thread decodes.
    plenarvo::pictures::detail::setProcessAllocationLimit();
    QApplication app(argc, argv);
    plenarvo::platform::useDisplayColours();  // before any picture is decoded
    plenarvo::WindowTrace::installIfEnabled();
    QApplication::setDesktopFileName(QStringLiteral("io.github.plenarvo.Plenarvo"));

    plenarvo::platform::QtClock clock;
    plenarvo::platform::QtMessageBoxes messages;
    plenarvo::platform::QtDrives drives;
    plenarvo::platform::StandardRandom random;
    plenarvo::platform::QtDialogs dialogs;
    plenarvo::platform::QtPrinter printer;
#ifdef PLENARVO_BUILD_HELP_DIR
    plenarvo::platform::QtHelp help(
        plenarvo::platform::QtHelp::standardFolders({QStringLiteral(PLENARVO_BUILD_HELP_DIR)}));
#else
    plenarvo::platform::QtHelp help(plenarvo::platform::QtHelp::standardFolders());
#endif
    plenarvo::platform::SystemRegistry registry;
    plenarvo::platform::QtProgramStarter programs;
    plenarvo::platform::Platform platform;
    platform.clock = &clock;
    platform.messages = &messages;
    platform.drives = &drives;
    platform.random = &random;
    platform.dialogs = &dialogs;
    platform.printer = &printer;
    platform.help = &help;
    platform.registry = &registry;
    platform.programs = &programs;
    platform.settingsPath = plenarvo::platform::settingsFilePath();
    platform.fallbackFolder = plenarvo::platform::fallbackFolder();

    // Closing a hidden window must not end the program; only the exit commands do.
    QApplication::setQuitOnLastWindowClosed(false);
    int code = 0;
    {
        plenarvo::ProgramWindows forms(platform);
        forms.onEnd = [] { QApplication::quit(); };
        forms.start();
        // A picture handed over by a file manager opens in its folder; a folder opens.
        if (!line.open.isEmpty() && !forms.ended()) {
            forms.image().openGiven(line.open);
        }
        if (!forms.ended()) {
            code = QApplication::exec();
        }
    }
    if (plenarvo::DecodeQueue::working() > 0) {
        // A picture is still being read for a window that has gone: end now
        // rather than wait for it, or tear down what its worker still uses.
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
