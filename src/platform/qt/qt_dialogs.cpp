#include "platform/qt/qt_dialogs.h"

#include "platform/core/twips.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>

#include <algorithm>
#include <cmath>

namespace plenarvo::platform {

QStringList qtNameFilters(const QString& filter) {
    QStringList filters;
    for (const FilterEntry& entry : parseFilter(filter)) {
        QString patterns = entry.pattern;
        patterns.replace(u';', u' ');
        filters.append(entry.description + QStringLiteral(" (") + patterns.simplified() + u')');
    }
    return filters;
}

std::optional<QString> QtDialogs::saveFile(QWidget* owner, const SaveDialogRequest& request) {
    QFileDialog dialog(owner, request.title, request.folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Qt's own dialog: it adds the default extension before it asks about
    // overwriting, so the question is about the file that will be written. The
    // descriptions carry their patterns already, so the filter details stay hidden.
    QFileDialog::Options options =
        QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;
    if (!(request.flags & kSaveOverwritePrompt)) {
        options |= QFileDialog::DontConfirmOverwrite;
    }
    dialog.setOptions(options);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.value(
            std::clamp<int>(request.filterIndex, 1, static_cast<int>(filters.size())) - 1));
    }
    QString suffix = request.defaultExtension;
    if (suffix.startsWith(u'.')) {
        suffix.remove(0, 1);
    }
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(request.fileName);

    while (dialog.exec() == QDialog::Accepted) {
        const QString chosen =
            withDefaultExtension(dialog.selectedFiles().value(0), request.defaultExtension);
        if (chosen.isEmpty()) {
            continue;
        }
        const QString folder = QFileInfo(chosen).absolutePath();
        if ((request.flags & kSavePathMustExist) && !QFileInfo(folder).isDir()) {
            // Only an existing folder is accepted: say so and let the user pick again.
            QMessageBox::warning(&dialog, request.title,
                                 QStringLiteral("The folder %1 does not exist.\nCheck the path "
                                                "and try again.")
                                     .arg(QDir::toNativeSeparators(folder)));
            continue;
        }
        return chosen;
    }
    return std::nullopt;
}

QtPrinter::QtPrinter() : printer_(QPrinter::HighResolution) {}

int QtPrinter::showPrintDialog(QWidget* owner, const QString& title) {
    QPrintDialog dialog(&printer_, owner);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) {
        return 0;
    }
    const int copies = std::max(1, printer_.copyCount());
    printer_.setCopyCount(1);
    return copies;
}

bool QtPrinter::printPicture(const QImage& picture, QPoint atTwips) {
    return printPicturePage(printer_, picture, atTwips);
}

bool printPicturePage(QPrinter& printer, const QImage& picture, QPoint atTwips) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    // The painter's origin is the top left of the printable area; its unit is
    // the printer's dot.
    const double dotsPerPixel = printer.resolution() / 96.0;
    const QRect area = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF page(0, 0, area.width(), area.height());
    const QPointF at(atTwips.x() / double(twips::kPerPixel) * dotsPerPixel,
                     atTwips.y() / double(twips::kPerPixel) * dotsPerPixel);

    // The pixels of the picture that land on the page, whole pixels only.
    const auto visible = [&](double from, double room, int total) {
        return std::clamp(static_cast<int>(std::ceil((room - from) / dotsPerPixel)), 0, total);
    };
    const int first_x = at.x() < 0 ? static_cast<int>(-at.x() / dotsPerPixel) : 0;
    const int first_y = at.y() < 0 ? static_cast<int>(-at.y() / dotsPerPixel) : 0;
    const int width = visible(at.x(), page.width(), picture.width()) - first_x;
    const int height = visible(at.y(), page.height(), picture.height()) - first_y;
    if (!picture.isNull() && width > 0 && height > 0) {
        const QRect source(first_x, first_y, width, height);
        const QRectF target(at.x() + first_x * dotsPerPixel, at.y() + first_y * dotsPerPixel,
                            width * dotsPerPixel, height * dotsPerPixel);
        painter.setClipRect(page);
        painter.drawImage(target, source == picture.rect() ? picture : picture.copy(source));
    }
    return painter.end();
}

}  // namespace plenarvo::platform
