#include "app/command_line.h"
#include "pictures/file_names.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace plenarvo;

namespace {

// A command line and what it asks of the run. In the arguments and the
// expectations, %1 stands for the test's folder and %u for the usage.
struct LineCase {
    const char* name;
    const char* arguments;  // after the program's own path, split at spaces
    int exitCode;           // -1: the program starts
    const char* output;     // a piece of standard output ("" for nothing at all)
    const char* errors;     // standard error exactly
    const char* open;       // what opens at start-up
};

const LineCase kLines[] = {
    {"Nothing", "", -1, "", "", ""},
    {"Picture", "%1/p.bmp", -1, "", "", "%1/p.bmp"},
    {"Folder", "%1", -1, "", "", "%1"},
    {"QtOptionsPassThrough", "-platform offscreen -style=fusion %1/p.bmp", -1, "", "", "%1/p.bmp"},
    {"MissingPicture", "%1/gone.jpg", -1, "",
     "plenarvo: %1/gone.jpg does not exist; starting without it.\n", ""},
    {"FileUriOfLocalhost", "file://localhost%1/p%2Ebmp", -1, "", "", "%1/p.bmp"},
    {"FileUriOfAnotherComputer", "file://elsewhere%1/p.bmp", -1, "",
     "plenarvo: file://elsewhere%1/p.bmp is not a file on this computer; starting without it.\n",
     ""},
    {"TwoPictures", "%1/p.bmp %1/q.bmp", -1, "",
     "plenarvo: only one picture is opened; %1/q.bmp ignored.\n", "%1/p.bmp"},
    {"Help", "--help", 0, "Usage: plenarvo [options] [picture]", "", ""},
    {"ShortVersion", "-v %1/p.bmp", 0, "Plenarvo " PLENARVO_VERSION "\n", "", ""},
    {"UnknownOption", "--bogus %1/p.bmp", 2, "", "plenarvo: Unknown option 'bogus'.\n%u", ""},
    {"UnknownShortOption", "-x", 2, "", "plenarvo: Unknown option 'x'.\n%u", ""},
    {"ValueForAFlag", "--help=yes", 2, "", "plenarvo: Unexpected value after '--help'.\n%u", ""},
};

QString filled(const char* text, const QString& folder) {
    QString out = QString::fromUtf8(text);
    if (out.contains(QStringLiteral("%u"))) {
        out.replace(QStringLiteral("%u"), readCommandLine({"plenarvo", "--help"}).output);
    }
    return out.replace(QStringLiteral("%1"), folder);
}

}  // namespace

class Line : public ::testing::TestWithParam<LineCase> {
protected:
    void SetUp() override {
        nameApplication();  // the version answered, whatever ran before
        ASSERT_TRUE(temp.isValid());
        dir = temp.path();
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        ASSERT_TRUE(picture.save(dir + QStringLiteral("/p.bmp")));
    }
    QTemporaryDir temp;
    QString dir;
};

// A line that ends the run is also given to the program itself, which answers
// the same and ends without a window (a window would keep it running past the wait).
TEST_P(Line, AnswersOrStartsWithWhatCanBeOpened) {
    const LineCase& c = GetParam();
    QStringList arguments;
    for (const QString& a : QString::fromLatin1(c.arguments).split(u' ', Qt::SkipEmptyParts)) {
        arguments.append(filled(a.toUtf8().constData(), dir));
    }
    const CommandLine line = readCommandLine(QStringList{QStringLiteral("plenarvo")} + arguments);
    EXPECT_EQ(line.exitCode.value_or(-1), c.exitCode);
    if (*c.output == '\0') {
        EXPECT_EQ(line.output, QString());
    } else {
        EXPECT_TRUE(line.output.contains(filled(c.output, dir))) << line.output.toStdString();
    }
    EXPECT_EQ(line.errors, filled(c.errors, dir));
    EXPECT_EQ(line.open, filled(c.open, dir));
    if (c.exitCode < 0) {
        return;
    }
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));  // no display is needed to answer
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(PLENARVO_PROGRAM), arguments);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), c.exitCode);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardOutput()), line.output);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()), line.errors);
}

INSTANTIATE_TEST_SUITE_P(, Line, ::testing::ValuesIn(kLines),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Line, WhatCannotBeReadAsAFileIsLeftOut) {
    const QString pipe = dir + QStringLiteral("/pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString locked = dir + QStringLiteral("/locked.bmp");
    ASSERT_TRUE(QFile::copy(dir + QStringLiteral("/p.bmp"), locked));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    // Root reads the locked file; nobody reads a pipe or a device as a picture.
    for (const QString& path : {pipe, QStringLiteral("/dev/null"), locked}) {
        const CommandLine line = readCommandLine({"plenarvo", path});
        const bool readable = path == locked && QFile(locked).open(QIODevice::ReadOnly);
        EXPECT_EQ(line.open, readable ? path : QString());
        EXPECT_EQ(
            line.errors,
            readable ? QString() : "plenarvo: " + path + " cannot be read; starting without it.\n");
    }
}

// A name that is not valid UTF-8 opens its own file, and never the one with the
// replacement character in its place.
TEST_F(Line, ANameThatIsNotUtf8OpensOnlyItsOwnFile) {
    const QByteArray folder = QFile::encodeName(dir) + '/';
    const QString bad = pictures::fileNameFromBytes(folder + "bad\xff.bmp");
    ASSERT_TRUE(QFile::copy(dir + "/p.bmp", QString::fromUtf8(folder + "bad\xef\xbf\xbd.bmp")));
    EXPECT_EQ(readCommandLine({"plenarvo", bad}).open, QString());
    ASSERT_EQ(::link(QFile::encodeName(dir + "/p.bmp"), pictures::fileNameBytes(bad)), 0);
    EXPECT_EQ(readCommandLine({"plenarvo", bad}).open, bad);
}

// A closed standard input is opened on /dev/null before anything else can take
// its descriptor.
TEST(StandardStreams, AClosedStandardInputReadsNothing) {
    const int saved = ::dup(STDIN_FILENO);
    ::close(STDIN_FILENO);
    guardStandardStreams();
    struct stat in {};
    struct stat null {};
    const bool opened = ::fstat(STDIN_FILENO, &in) == 0 && ::stat("/dev/null", &null) == 0;
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    EXPECT_TRUE(opened && S_ISCHR(in.st_mode) && in.st_rdev == null.st_rdev);
}
