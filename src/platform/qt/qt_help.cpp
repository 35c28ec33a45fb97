#include "platform/qt/qt_help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>

namespace plenarvo::platform {

QtHelp::QtHelp(QStringList folders) : folders_(std::move(folders)) {}

QtHelp::~QtHelp() {
    delete browser_.data();
}

QStringList QtHelp::standardFolders(const QStringList& extra) {
    const QString appDir = QCoreApplication::applicationDirPath();
    QStringList folders{appDir, QDir(appDir).filePath(QStringLiteral("../share/plenarvo/help"))};
    folders +=
        QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                  QStringLiteral("plenarvo/help"), QStandardPaths::LocateDirectory);
    folders += extra;
    for (QString& f : folders) {
        f = QDir::cleanPath(f);
    }
    folders.removeDuplicates();
    return folders;
}

QString QtHelp::locate(const QString& helpFile) const {
    // The help is named without a folder; any folder part is not ours to follow.
    const QString html = QFileInfo(helpFile).completeBaseName() + QStringLiteral(".html");
    for (const QString& folder : folders_) {
        const QFileInfo candidate(QDir(folder).filePath(html));
        if (candidate.isFile() && candidate.isReadable()) {
            return candidate.absoluteFilePath();
        }
    }
    return {};
}

void QtHelp::open(QWidget*, const QString& helpFile, unsigned, quintptr) {
    // Every command opens the help at its contents topic, the top of the page.
    if (!browser_) {
        browser_ = new QTextBrowser;
        browser_->setAttribute(Qt::WA_DeleteOnClose, false);
        browser_->setOpenExternalLinks(true);
        browser_->setWindowTitle(QStringLiteral("Plenarvo Viewer Help"));
        browser_->resize(720, 640);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect free = screen->availableGeometry();
            browser_->move(free.right() - browser_->width() - 40, free.top() + 40);
        }
    }
    const QString path = locate(helpFile);
    if (path.isEmpty()) {
        QString places;
        for (const QString& folder : folders_) {
            places +=
                QStringLiteral("<li>%1</li>").arg(QDir::toNativeSeparators(folder).toHtmlEscaped());
        }
        browser_->setWindowTitle(QStringLiteral("Plenarvo Viewer Help"));
        browser_->setHtml(QStringLiteral("<h2>Help file not found</h2>"
                                         "<p>Cannot find the help file <b>%1</b>. It may have been "
                                         "moved or removed, or the program may not be fully "
                                         "installed.</p><p>Looked in:</p><ul>%2</ul>")
                              .arg(helpFile.toHtmlEscaped(), places));
    } else {
        browser_->setSearchPaths({QFileInfo(path).absolutePath()});
        browser_->setSource(QUrl::fromLocalFile(path));
        browser_->scrollToAnchor(QStringLiteral("contents"));
        const QString title = browser_->documentTitle();
        browser_->setWindowTitle(title.isEmpty() ? QStringLiteral("Plenarvo Viewer Help") : title);
    }
    browser_->show();
    browser_->raise();
    browser_->activateWindow();
}

}  // namespace plenarvo::platform
