#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

class QWidget;

namespace plenarvo::platform {

// The print dialog and the system printer.
class Printer {
public:
    virtual ~Printer() = default;
    // Shows the modal print dialog over `owner`, where the user picks the printer
    // and the number of copies. Returns the number of copies, or 0 when the user
    // cancelled.
    virtual int showPrintDialog(QWidget* owner, const QString& title) = 0;
    // One print job of one page: paints `picture` at its own size (one pixel is
    // 15 twips, so 96 pixels to the inch) with its top left corner `atTwips` from
    // the top left of the printable area, cut at the edges of that area, then
    // ends the document. False when the job could not be printed.
    virtual bool printPicture(const QImage& picture, QPoint atTwips) = 0;
};

}  // namespace plenarvo::platform
