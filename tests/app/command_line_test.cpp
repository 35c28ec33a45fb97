#include "app/command_line.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

using namespace plenarvo;

namespace {

// A command line and what it asks of the run. In the arguments and the
// expectations, %1 stands for the test's folder.
struct LineCase {
    const char* name;
    QStringList arguments;  // after the program's own path
    int exitCode;           // -1: the program starts
    const char* output;     // a piece of standard output ("" for nothing at all)
    const char* errors;     // standard error exactly
    const char* open;       // what opens at start-up
};

void PrintTo(const LineCase& c, std::ostream* out) {
    *out << c.name;
}

const LineCase kLines[] = {
    {"Nothing", {}, -1, "", "", ""},
    {"Picture", {"%1/p.bmp"}, -1, "", "", "%1/p.bmp"},
    {"Folder", {"%1"}, -1, "", "", "%1"},
    {"QtOptionsPassThrough",
     {"-platform", "offscreen", "-style=fusion", "%1/p.bmp"},
     -1,
     "",
     "",
     "%1/p.bmp"},
    {"MissingPicture",
     {"%1/gone.jpg"},
     -1,
     "",
     "plenarvo: %1/gone.jpg does not exist; starting without it.\n",
     ""},
    {"LinkToNothing",
     {"%1/dangling.bmp"},
     -1,
     "",
     "plenarvo: %1/dangling.bmp does not exist; starting without it.\n",
     ""},
    {"TwoPictures",
     {"%1/p.bmp", "%1/q.bmp"},
     -1,
     "",
     "plenarvo: only one picture is opened; %1/q.bmp ignored.\n",
     "%1/p.bmp"},
    {"Help", {"--help"}, 0, "Usage: plenarvo [options] [picture]", "", ""},
    {"ShortHelp", {"-h"}, 0, "--version", "", ""},
    {"Version", {"--version"}, 0, "Plenarvo 2.1.1\n", "", ""},
    {"ShortVersion", {"-v", "%1/p.bmp"}, 0, "Plenarvo 2.1.1\n", "", ""},
};

QString filled(const char* text, const QString& folder) {
    QString out = QString::fromUtf8(text);
    return out.replace(QStringLiteral("%1"), folder);
}

}  // namespace

class Line : public ::testing::TestWithParam<LineCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp.isValid());
        dir = temp.path();
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        ASSERT_TRUE(picture.save(dir + QStringLiteral("/p.bmp")));
        ASSERT_TRUE(QFile::link(dir + QStringLiteral("/nowhere.bmp"),
                                dir + QStringLiteral("/dangling.bmp")));
    }
    QTemporaryDir temp;
    QString dir;
};

TEST_P(Line, AnswersOrStartsWithWhatCanBeOpened) {
    const LineCase& c = GetParam();
    QStringList arguments{QStringLiteral("plenarvo")};
    for (const QString& a : c.arguments) {
        arguments.append(filled(a.toUtf8().constData(), dir));
    }
    const CommandLine line = readCommandLine(arguments);
    EXPECT_EQ(line.exitCode.value_or(-1), c.exitCode);
    if (*c.output == '\0') {
        EXPECT_EQ(line.output, QString());
    } else {
        EXPECT_TRUE(line.output.contains(filled(c.output, dir))) << line.output.toStdString();
    }
    EXPECT_EQ(line.errors, filled(c.errors, dir));
    EXPECT_EQ(line.open, filled(c.open, dir));
}

INSTANTIATE_TEST_SUITE_P(, Line, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Line, AnUnknownOptionEndsWithTheUsage) {
    for (const char* option : {"--bogus", "-x", "--help=yes"}) {
        const CommandLine line = readCommandLine({"plenarvo", option, dir + "/p.bmp"});
        EXPECT_EQ(line.exitCode, 2) << option;
        EXPECT_TRUE(line.errors.startsWith(QStringLiteral("plenarvo: "))) << option;
        EXPECT_TRUE(line.errors.contains(QStringLiteral("Usage: plenarvo [options] [picture]")));
        EXPECT_TRUE(line.output.isEmpty());
    }
    EXPECT_TRUE(readCommandLine({"plenarvo", "--bogus"})
                    .errors.startsWith(QStringLiteral("plenarvo: Unknown option 'bogus'.\n")));
}

TEST_F(Line, AFileThatCannotBeReadIsLeftOut) {
    const QString locked = dir + QStringLiteral("/locked.bmp");
    ASSERT_TRUE(QFile::copy(dir + QStringLiteral("/p.bmp"), locked));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    QFile probe(locked);
    if (probe.open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "this user reads every file (root)";
    }
    const CommandLine line = readCommandLine({"plenarvo", locked});
    EXPECT_FALSE(line.exitCode);
    EXPECT_EQ(line.open, QString());
    EXPECT_EQ(line.errors,
              QStringLiteral("plenarvo: %1 cannot be read; starting without it.\n").arg(locked));
}

// The program itself answers --help, --version and a wrong option and ends
// without opening a window (a window would keep it running past the wait).
TEST(Program, AnswersAndEndsWithoutAWindow) {
    struct Run {
        const char* option;
        int code;
        const char* out;
        const char* err;
    };
    const Run runs[] = {
        {"--help", 0, "Usage: plenarvo [options] [picture]", ""},
        {"--version", 0, "Plenarvo 2.1.1\n", ""},
        {"--frobnicate", 2, "", "plenarvo: Unknown option 'frobnicate'.\nUsage: plenarvo"},
    };
    for (const Run& run : runs) {
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));  // no display is needed to answer
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(PLENARVO_PROGRAM), {QString::fromLatin1(run.option)});
        ASSERT_TRUE(program.waitForFinished(60000)) << run.option;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << run.option;
        EXPECT_EQ(program.exitCode(), run.code) << run.option;
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(out.isEmpty(), *run.out == '\0') << run.option;
        EXPECT_TRUE(out.startsWith(QLatin1String(run.out)) || *run.out == '\0')
            << out.toStdString();
        EXPECT_TRUE(err.startsWith(QLatin1String(run.err)) || *run.err == '\0')
            << err.toStdString();
        EXPECT_EQ(err.isEmpty(), *run.err == '\0') << err.toStdString();
    }
}
