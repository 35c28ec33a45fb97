#include "app/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Why a path given to open cannot be opened, or empty when it can be.
QString whyNotReadable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return QStringLiteral("does not exist");
    }
    if (info.isDir()) {
        return info.isReadable() && info.isExecutable() ? QString()
                                                        : QStringLiteral("cannot be read");
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("cannot be read");
    }
    return {};
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
    const QString& path = given.constFirst();
    const QString why = whyNotReadable(path);
    if (why.isEmpty()) {
        line.open = QFileInfo(path).absoluteFilePath();
    } else {
        line.errors = QStringLiteral("%1: %2 %3; starting without it.\n")
                          .arg(program, QDir::toNativeSeparators(path), why);
    }
    if (given.size() > 1) {
        line.errors += QStringLiteral("%1: only one picture is opened; %2 ignored.\n")
                           .arg(program, given.mid(1).join(QStringLiteral(", ")));
    }
    return line;
}

}  // namespace plenarvo
