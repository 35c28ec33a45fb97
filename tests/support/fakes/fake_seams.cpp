#include "support/fakes/fake_seams.h"

#include "platform/qt/qt_dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>

namespace plenarvo::testing {

std::optional<QString> FakeDialogs::saveFile(QWidget*, const platform::SaveDialogRequest& request) {
    requests.append(request);
    if (whileOpen) {
        whileOpen();
    }
    return answers.isEmpty() ? std::nullopt : answers.takeFirst();
}

int PdfPrinter::showPrintDialog(QWidget*, const QString& title) {
    dialogTitles.append(title);
    return copies;
}

bool PdfPrinter::printPicture(const QImage& picture, QPoint atTwips) {
    const int job = attempts++;
    if (failFromJob >= 0 && job >= failFromJob) {
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageLayout(layout);
    const QString file = QDir(folder).filePath(QStringLiteral("job-%1.pdf").arg(jobs.size() + 1));
    printer.setOutputFileName(file);
    if (!platform::printPicturePage(printer, picture, atTwips)) {
        return false;
    }
    jobs.append(file);
    return true;
}

long FakeRegistry::openKey(std::uint32_t root, const QString& subKey, std::uint32_t access,
                           platform::RegistryKey* key) {
    opened.append({root, subKey, access});
    if (refused.contains(subKey, Qt::CaseInsensitive)) {
        return platform::kErrorAccessDenied;
    }
    return MemoryRegistry::openKey(root, subKey, access, key);
}

bool FakeProgramStarter::start(const QString& path) {
    started.append(path);
    return succeeds ? succeeds(path) : QFileInfo(path).isFile();
}

}  // namespace plenarvo::testing
