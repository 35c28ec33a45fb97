// Printing through the system's print queue: a CUPS server of the test's own,
// started in a temporary folder, with a PDF printer (cups-pdf) whose pages are
// read back. It needs root (the PDF backend runs as root, and its queue's
// settings live beside the system's) and skips, saying why, where it cannot run.

#include "file_commands/printed_pages.h"
#include "platform/qt/qt_dialogs.h"
#include "support/fakes/app_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace plenarvo;
using plenarvo::testing::AppFixture;
using plenarvo::testing::expectNear;
using plenarvo::testing::inkBox;
using plenarvo::testing::renderJob;

namespace {

const QString kCupsd = QStringLiteral("/usr/sbin/cupsd");
const QString kPdfBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPdfPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
// cups-pdf reads a queue's own settings from here, by the queue's name.
const QString kPdfSettings = QStringLiteral("/etc/cups/cups-pdf-%1.conf");

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

// The CUPS server and its PDF queue, for the whole suite.
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

}  // namespace

class PrintQueue : public AppFixture {
protected:
    static void SetUpTestSuite() {
        server = new Server;
        server->skip = server->start();
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        if (!server->skip.isEmpty()) {
            GTEST_SKIP() << server->skip.toStdString();
        }
        if (QStringLiteral(PDFTOPPM).isEmpty()) {
            GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
        }
        printer.queue = server->queue;
        platform.printer = &printer;
        start();
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
    const QString pics = folder(QStringLiteral("pics"));
    const QString path = QDir(pics).filePath(QStringLiteral("p.bmp"));
    ASSERT_TRUE(plenarvo::testing::markedPicture({120, 90}).save(path));
    QString error;
    ASSERT_TRUE(main().loadPreview(path, QStringLiteral("p.bmp"), &error));

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
