#include "support/fakes/fakes.h"

#include "platform/qt/qt_dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>

namespace plenarvo::testing {

QStringList FakeMessageBoxes::texts() const {
    QStringList out;
    for (const auto& m : shown) {
        out << m.text;
    }
    return out;
}

bool PdfPrinter::printPicture(const QImage& picture, QPoint atTwips) {
    const int job = attempts++;
    if (failFromJob >= 0 && job >= failFromJob) {
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(resolution);
    printer.setPageLayout(layout);
    const QString file = QDir(folder).filePath(QStringLiteral("job-%1.pdf").arg(jobs.size() + 1));
    printer.setOutputFileName(file);
    if (!platform::printPicturePage(printer, picture, atTwips)) {
        return false;
    }
    jobs.append(file);
    return true;
}

bool FakeProgramStarter::start(const QString& path) {
    started.append(path);
    return QFileInfo(path).isFile();
}

}  // namespace plenarvo::testing
