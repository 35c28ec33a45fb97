// Printing from the File menu. Each job is a PDF file, read back with pdftoppm
// at 96 dots to the inch, where one picture pixel (15 twips) is one dot. The jobs
// go to a PDF printer of the test's own and, where the test can start one, through
// a CUPS server of its own with a PDF queue (cups-pdf). That needs root (the PDF
// backend runs as root, and its queue's settings live beside the system's); the
// queue's test skips, saying why, where it cannot run.

#include "platform/qt/qt_dialogs.h"
#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

#include <algorithm>

using namespace plenarvo;
using plenarvo::testing::AppFixture;

namespace {

const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
// cups-pdf reads a queue's own settings from here, by the queue's name.
const QString kPdfSettings = QStringLiteral("/etc/cups/cups-pdf-%1.conf");

// A printed job as pdftoppm renders it: one image per page; none when it cannot be read.
QList<QImage> renderJob(const QString& pdf) {
    QList<QImage> pages;
    const QFileInfo info(pdf);
    const QString prefix = QDir(info.path()).filePath(info.completeBaseName() + "-page");
    if (QProcess::execute(QStringLiteral(PDFTOPPM), {"-r", "96", "-png", pdf, prefix}) != 0) {
        return pages;
    }
    const QString pattern = QFileInfo(prefix).fileName() + "-*.png";
    for (const QString& name : QDir(info.path()).entryList({pattern}, QDir::Files, QDir::Name)) {
        pages.append(
            QImage(QDir(info.path()).filePath(name)).convertToFormat(QImage::Format_RGB32));
    }
    return pages;
}

// The box of the red pixels, or with `redOnly` false, of every pixel not white.
QRect inkBox(const QImage& page, bool redOnly = false) {
    QRect box;
    for (int y = 0; y < page.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = line[x];
            const bool red = qRed(p) > 200 && qGreen(p) < 60 && qBlue(p) < 60;
            if (redOnly ? red : std::min({qRed(p), qGreen(p), qBlue(p)}) < 245) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// Whether two boxes agree to a dot at each edge (edges fall between dots).
void expectNear(const QRect& got, const QRect& want) {
    EXPECT_NEAR(got.left(), want.left(), 1);
    EXPECT_NEAR(got.top(), want.top(), 1);
    EXPECT_NEAR(got.right(), want.right(), 1);
    EXPECT_NEAR(got.bottom(), want.bottom(), 1);
}

// A picture of the given size, dark cyan, its top left 20 x 10 pixels red.
QImage markedPicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QPainter(&image).fillRect(0, 0, 20, 10, Qt::red);
    return image;
}

// Prints each copy as a job of its own to a named queue, as the program's
// printer does once the print dialog has chosen that queue.
class QueuePrinter final : public platform::Printer {
public:
    int showPrintDialog(QWidget*, const QString&) override { return copies; }
    bool printPicture(const QImage& picture, QPoint atTwips) override {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPrinterName(queue);
        printer.setDocName(QStringLiteral("plenarvo"));
        if (!printer.isValid() || printer.outputFormat() != QPrinter::NativeFormat) {
            return false;
        }
        paintRect = printer.pageLayout().paintRect(QPageLayout::Point);
        return platform::printPicturePage(printer, picture, atTwips);
    }
    QString queue;
    int copies = 1;
    QRectF paintRect;  // the printable area of the last job, in points
};

// The CUPS server and its PDF queue, for the whole run.
struct Server {
    QTemporaryDir dir;
    QProcess cupsd;
    QString queue;
    QString out;
    QString skip;  // why the suite cannot run, or empty

    QString path(const QString& name) const { return dir.filePath(name); }

    // Starts the server and sets up its queue; why that cannot be done, or empty.
    QString start() {
        if (geteuid() != 0) {
            return QStringLiteral("starting a CUPS server with the PDF backend needs root");
        }
        for (const QString& needed :
             {kCupsd, kPdfBackend, kPdfPpd, QStringLiteral("lpadmin"), QStringLiteral("gs")}) {
            if (!QFileInfo::exists(needed) && QStandardPaths::findExecutable(needed).isEmpty()) {
                return needed + QStringLiteral(
                                    " is missing (packages cups, cups-client, "
                                    "printer-driver-cups-pdf, ghostscript)");
            }
        }
        if (!dir.isValid()) {
            return QStringLiteral("no temporary folder");
        }
        for (const char* sub : {"root/ppd", "root/ssl", "spool", "cache", "state", "tmp", "log",
                                "out", "pdf-spool"}) {
            QDir().mkpath(path(QString::fromLatin1(sub)));
        }
        // The filters run as lp; the backend writes as the job's user after
        // dropping its rights.
        out = path(QStringLiteral("out"));
        for (const QString& open :
             {dir.path(), out, path(QStringLiteral("pdf-spool")), path(QStringLiteral("tmp"))}) {
            QFile::setPermissions(open, QFileDevice::Permissions(0x7777));
        }
        const QString socket = path(QStringLiteral("cups.sock"));
        queue = QStringLiteral("plenarvo_test_%1").arg(QCoreApplication::applicationPid());
        const std::pair<QString, QString> files[] = {
            {path(QStringLiteral("root/cupsd.conf")),
             QStringLiteral("Listen %1\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                            "DefaultAuthType None\n<Location />\n  Order allow,deny\n"
                            "  Allow all\n</Location>\n<Policy default>\n  <Limit All>\n"
                            "    Order allow,deny\n    Allow all\n  </Limit>\n</Policy>\n")
                 .arg(socket)},
            {path(QStringLiteral("root/cups-files.conf")),
             QStringLiteral("ServerRoot %1/root\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                            "StateDir %1/state\nTempDir %1/tmp\nAccessLog %1/log/access_log\n"
                            "ErrorLog %1/log/error_log\nPageLog %1/log/page_log\n"
                            "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nUser lp\n"
                            "Group lp\nSystemGroup root\nFileDevice No\n")
                 .arg(dir.path())},
            {kPdfSettings.arg(queue),
             QStringLiteral("Out %1\nAnonDirName %1\nSpool %2/pdf-spool\nLog %2/log\nLabel 0\n")
                 .arg(out, dir.path())},
        };
        for (const auto& [file, text] : files) {
            QFile settings(file);
            if (!settings.open(QIODevice::WriteOnly) ||
                settings.write(text.toUtf8()) != text.toUtf8().size()) {
                return file + QStringLiteral(" cannot be written");
            }
        }
        cupsd.setProcessChannelMode(QProcess::ForwardedChannels);
        cupsd.start(kCupsd, {"-f", "-c", files[0].first, "-s", files[1].first});
        if (!cupsd.waitForStarted() ||
            !QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 20000)) {
            return QStringLiteral("cupsd did not start");
        }
        // Everything in this process that prints asks this server from now on.
        qputenv("CUPS_SERVER", socket.toLocal8Bit());
        QProcess lpadmin;
        lpadmin.start(QStringLiteral("lpadmin"),
                      {"-h", socket, "-p", queue, "-E", "-v", "cups-pdf:/" + queue, "-P", kPdfPpd});
        if (!lpadmin.waitForFinished(30000) || lpadmin.exitCode() != 0) {
            return QStringLiteral("the PDF queue could not be set up: ") +
                   QString::fromLocal8Bit(lpadmin.readAllStandardError());
        }
        return {};
    }

    ~Server() {
        if (cupsd.state() != QProcess::NotRunning) {
            cupsd.terminate();
            if (!cupsd.waitForFinished(10000)) {
                cupsd.kill();
                cupsd.waitForFinished();
            }
        }
        if (!queue.isEmpty()) {
            QFile::remove(kPdfSettings.arg(queue));
        }
    }
};

Server* server = nullptr;

// The print system keeps the first server this process asks about, so the
// server starts before any test prints.
class ServerStart final : public ::testing::Environment {
public:
    void SetUp() override {
        server = new Server;
        server->skip = server->start();
    }
    void TearDown() override {
        delete server;
        server = nullptr;
    }
};
[[maybe_unused]] const auto* const kServerStart =
    ::testing::AddGlobalTestEnvironment(new ServerStart);

}  // namespace

class Printing : public AppFixture {
protected:
    void SetUp() override {
        if (QStringLiteral(PDFTOPPM).isEmpty()) {
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        }
        start();
    }
    // Previews a marked picture of the given size.
    void preview(QSize size) {
        const QString path = QDir(folder(QStringLiteral("pics"))).filePath(QStringLiteral("p.bmp"));
        ASSERT_TRUE(markedPicture(size).save(path));
        QString error;
        ASSERT_TRUE(main().loadPreview(path, QStringLiteral("p.bmp"), &error));
    }
};

class PrintQueue : public Printing {
protected:
    void SetUp() override {
        if (!server->skip.isEmpty()) {
            GTEST_SKIP() << server->skip.toStdString();
        }
        printer.queue = server->queue;
        platform.printer = &printer;
        Printing::SetUp();
    }
    // The number of the queue's jobs that have completed, asked at most five
    // times a second.
    static int completedJobs() {
        static QElapsedTimer since;
        static int last = 0;
        if (since.isValid() && since.elapsed() < 200) {
            return last;
        }
        since.start();
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {"-h", server->path(QStringLiteral("cups.sock")),
                                                "-W", "completed", "-o", server->queue});
        lpstat.waitForFinished(10000);
        last = static_cast<int>(QString::fromLocal8Bit(lpstat.readAllStandardOutput())
                                    .split(u'\n', Qt::SkipEmptyParts)
                                    .size());
        return last;
    }
    QueuePrinter printer;
};

TEST_F(PrintQueue, TwoCopiesAreTwoOnePageJobsWithThePictureAtItsOwnSizeTopLeft) {
    preview({120, 90});
    printer.copies = 2;
    main().mnuFilePrint->action()->trigger();
    EXPECT_TRUE(messages.shown.isEmpty());
    // The queue converts each job in processes of its own; it says when they are done.
    ASSERT_TRUE(QTest::qWaitFor([] { return completedJobs() >= 2; }, 120000))
        << "the queue completed " << completedJobs() << " jobs; see "
        << server->path(QStringLiteral("log/error_log")).toStdString();
    const QDir out(server->out);
    const QStringList jobs = out.entryList({"*.pdf"}, QDir::Files);
    EXPECT_EQ(jobs.size(), 2);

    const QRectF points = printer.paintRect;
    ASSERT_FALSE(points.isEmpty());
    const QPoint topLeft = (points.topLeft() * 96 / 72).toPoint();
    for (const QString& job : jobs) {
        SCOPED_TRACE(job.toStdString());
        const QList<QImage> pages = renderJob(out.filePath(job));
        ASSERT_EQ(pages.size(), 1);
        expectNear(inkBox(pages[0]), QRect(topLeft, QSize(120, 90)));
        expectNear(inkBox(pages[0], true), QRect(topLeft, QSize(20, 10)));
    }
}

class Print : public Printing {
protected:
    // Prints from the File menu, the print dialog answering `copies`; the pages
    // of the jobs this sent, each job checked to be one page.
    QList<QImage> print(int copies) {
        const qsizetype before = printer.jobs.size();
        printer.copies = copies;
        main().mnuFilePrint->action()->trigger();
        QList<QImage> pages;
        for (const QString& job : printer.jobs.mid(before)) {
            const QList<QImage> rendered = renderJob(job);
            EXPECT_EQ(rendered.size(), 1) << job.toStdString();
            pages += rendered.mid(0, 1);
        }
        return pages;
    }
    // The printable area in dots at 96 to the inch.
    QRect printable() const {
        const QRectF points = printer.layout.paintRect(QPageLayout::Point);
        return QRectF(points.topLeft() * 96 / 72, points.size() * 96 / 72).toRect();
    }
};

TEST_F(Print, EachCopyIsAJobWithThePictureAtItsOwnSizeTopLeftCutAtThePageEdge) {
    // Before any preview: the start picture, within its own size.
    const QList<QImage> start = print(1);
    ASSERT_EQ(start.size(), 1);
    const QRect ink = inkBox(start[0]);
    EXPECT_TRUE(QRect(printable().topLeft(), FrmImage::startPicture().size())
                    .adjusted(-1, -1, 1, 1)
                    .contains(ink));
    EXPECT_GT(ink.width(), 600);

    struct Case {
        QSize picture;
        int copies;
    };
    // A picture larger than the page is cut at the printable area, never shrunk.
    for (const Case& c : {Case{{40, 30}, 3}, Case{{1200, 1600}, 1}}) {
        preview(c.picture);
        const QList<QImage> pages = print(c.copies);
        ASSERT_EQ(pages.size(), c.copies);
        for (const QImage& page : pages) {
            expectNear(inkBox(page), QRect(printable().topLeft(), c.picture) & printable());
            expectNear(inkBox(page, true), QRect(printable().topLeft(), QSize(20, 10)));
        }
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(Print, ACancelledDialogOrAFailedJobEndsTheCommandSilently) {
    preview({40, 30});
    print(0);
    EXPECT_EQ(printer.dialogTitles, QStringList{"Print"});
    EXPECT_TRUE(QDir(printer.folder).isEmpty());

    printer.failFromJob = 1;
    print(3);
    EXPECT_EQ(printer.jobs.size(), 1);  // the copy sent stays sent
    EXPECT_EQ(printer.attempts, 2);
    EXPECT_TRUE(messages.shown.isEmpty());
}
