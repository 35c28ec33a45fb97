#include "app/command_line.h"

#include "pictures/file_names.h"
#include "pictures/regular_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

namespace plenarvo {

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Plenarvo"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PLENARVO_VERSION));
}

namespace {

// Options that Qt's application object takes for itself, with a value or without.
const char* const kQtValueOptions[] = {"platform",
                                       "platformpluginpath",
                                       "platformtheme",
                                       "plugin",
                                       "qwindowgeometry",
                                       "qwindowicon",
                                       "qwindowtitle",
                                       "display",
                                       "geometry",
                                       "style",
                                       "stylesheet",
                                       "session",
                                       "name",
                                       "title"};
const char* const kQtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// Why a path given to open cannot be opened, or empty when it can be. Checked by
// the name's own bytes, and without opening anything but a regular file: a pipe
// named like a picture would wait for a writer.
QString whyNotReadable(const QString& path) {
    const QByteArray bytes = pictures::fileNameBytes(path);
    switch (pictures::fileKind(path)) {
        case pictures::FileKind::Missing:
            return QStringLiteral("does not exist");
        case pictures::FileKind::Folder:
            return ::access(bytes.constData(), R_OK | X_OK) == 0 ? QString()
                                                                 : QStringLiteral("cannot be read");
        case pictures::FileKind::Regular:
            if (pictures::RegularFile::open(path, {}, nullptr).isOpen()) {
                return {};
            }
            break;
        case pictures::FileKind::Other:
            break;
    }
    return QStringLiteral("cannot be read");
}

// The help text, its usage line naming the program as it is installed.
QString helpText(const QCommandLineParser& parser, const QString& program) {
    QString text = parser.helpText();
    const qsizetype options = text.indexOf(QStringLiteral(" [options]"));
    if (text.startsWith(QStringLiteral("Usage: ")) && options > 0) {
        text.replace(0, options, QStringLiteral("Usage: ") + program);
    }
    return text;
}

}  // namespace

void guardStandardStreams() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        // The lowest free descriptor is the one that is closed.
        if (::fcntl(fd, F_GETFD) < 0 &&
            ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) != fd) {
            return;
        }
    }
}

CommandLine readCommandLine(const QStringList& arguments) {
    QCommandLineParser parser;
    // Single-dash words are whole options, as Qt's own (-platform xcb) are.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Compact picture viewer: browse folders, preview, view full screen, "
                       "browse thumbnails and run slide shows of BMP, WMF, ICO, GIF and JPEG "
                       "pictures."));
    // Help without Qt's --help-all: the options the application object takes
    // are described in the manual page.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Displays help on command line options."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    for (const char* name : kQtValueOptions) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kQtFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    parser.addPositionalArgument(
        QStringLiteral("picture"),
        QStringLiteral("A picture to preview in its folder, or a folder to open."),
        QStringLiteral("[picture]"));

    const QString program = QCoreApplication::applicationName().toLower();
    CommandLine line;
    if (!parser.parse(arguments)) {
        line.errors =
            program + QStringLiteral(": ") + parser.errorText() + u'\n' + helpText(parser, program);
        line.exitCode = 2;
        return line;
    }
    if (parser.isSet(help)) {
        line.output = helpText(parser, program);
        line.exitCode = 0;
        return line;
    }
    if (parser.isSet(version)) {
        line.output = QCoreApplication::applicationName() + u' ' +
                      QCoreApplication::applicationVersion() + u'\n';
        line.exitCode = 0;
        return line;
    }
    const QStringList given = parser.positionalArguments();
    if (given.isEmpty()) {
        return line;
    }
    // A file manager may hand over a file: URI instead of a path.
    QString path = given.constFirst();
    const bool uri = path.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
    if (uri) {
        path = pictures::localFileOfUrl(QUrl(path));
    }
    const QString why = uri && path.isEmpty() ? QStringLiteral("is not a file on this computer")
                                              : whyNotReadable(path);
    if (why.isEmpty()) {
        line.open = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    } else {
        line.errors = QStringLiteral("%1: %2 %3; starting without it.\n")
                          .arg(program,
                               pictures::shownFileName(
                                   QDir::toNativeSeparators(uri ? given.constFirst() : path)),
                               why);
    }
    if (given.size() > 1) {
        line.errors += QStringLiteral("%1: only one picture is opened; %2 ignored.\n")
                           .arg(program, given.mid(1).join(QStringLiteral(", ")));
    }
    return line;
}

}  // namespace plenarvo
