#pragma once

#include "platform/core/dialogs.h"
#include "platform/core/printer.h"

#include <QPrinter>
#include <QStringList>

namespace plenarvo::platform {

// The save dialog (QFileDialog) with the program's filter, title, flags and
// default extension.
class QtDialogs final : public Dialogs {
public:
    std::optional<QString> saveFile(QWidget* owner, const SaveDialogRequest& request) override;
};

// The file dialog's name filters for a "Description|pattern|..." filter: each
// entry becomes "Description (patterns)", the patterns separated by spaces.
QStringList qtNameFilters(const QString& filter);

// The print dialog and the printer chosen in it. Each copy is a job of its own,
// so the copy count is read from the dialog and the printer itself is left at
// one copy.
class QtPrinter final : public Printer {
public:
    QtPrinter();
    int showPrintDialog(QWidget* owner, const QString& title) override;
    bool printPicture(const QImage& picture, QPoint atTwips) override;

private:
    QPrinter printer_;
};

// Paints one page on `printer` and ends the document: `picture` at its own size
// (96 pixels to the inch at the printer's resolution), its top left `atTwips`
// from the top left of the printable area, cut at the edges of that area. Only
// the part that lands on the page is sent to the printer.
bool printPicturePage(QPrinter& printer, const QImage& picture, QPoint atTwips);

}  // namespace plenarvo::platform
