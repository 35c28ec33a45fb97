#include "robustness/robustness.h"

#include "full_view/frm_full_view.h"
#include "thumbnails/thumbnail_loader.h"

#include <QCoreApplication>
#include <QFile>
#include <QtEndian>

namespace plenarvo::testing {

namespace {

void put16(QByteArray& out, quint16 value) {
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void put32(QByteArray& out, quint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

}  // namespace

QByteArray tinyBitmap(QColor colour) {
    QByteArray out;
    out.append("BM", 2);
    put32(out, 58);  // file size
    put32(out, 0);   // reserved
    put32(out, 54);  // offset of the pixels
    put32(out, 40);  // info header size
    put32(out, 1);   // width
    put32(out, 1);   // height
    put16(out, 1);   // planes
    put16(out, 24);  // bits per pixel
    put32(out, 0);   // no compression
    put32(out, 4);   // size of the pixels, one row padded to four bytes
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    out.append(static_cast<char>(colour.blue()));
    out.append(static_cast<char>(colour.green()));
    out.append(static_cast<char>(colour.red()));
    out.append('\0');
    return out;
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

void Robustness::startPastSplash() {
    start();
    advance(3000);
    settle();
}

FrmThumb& Robustness::openSheet() {
    main().cmdThumb_Click();
    // Pictures reach the cells only from the event queue, so the observer is in
    // place before the first one can arrive.
    sheet().afterThumbnail = [this](int cell) { arrived.insert(cell); };
    return sheet();
}

void Robustness::deliverThumbnails() {
    sheet().thumbnails().waitForDone();
    QCoreApplication::sendPostedEvents();
}

void Robustness::buildWholeSheet(const std::function<void()>& betweenBatches, int maxBatches) {
    FrmThumb& s = sheet();
    deliverThumbnails();
    if (s.ThumbCount < 5) {
        return;  // no batch ever runs for such a sheet
    }
    advance(100);  // the batch armed by loading
    deliverThumbnails();
    int batches = 1;
    while (s.RowEnd < s.ThumbCount) {
        if (betweenBatches) {
            betweenBatches();
        }
        ASSERT_LT(batches, maxBatches) << "the sheet stopped growing at cell " << s.RowEnd;
        // A completed scroll arms the next batch.
        QScrollBar* bar = s.vsrPallet;
        ASSERT_LT(bar->minimum(), bar->maximum());
        bar->setValue(bar->value() == bar->maximum() ? bar->minimum() : bar->maximum());
        ASSERT_TRUE(s.Timer1->enabled());
        advance(100);
        deliverThumbnails();
        ++batches;
    }
    if (betweenBatches) {
        betweenBatches();
    }
}

QWidget* Robustness::fullViewTarget() {
    FrmFullView& view = forms->fullView();
    for (QWidget* control :
         {static_cast<QWidget*>(view.picFullScr), static_cast<QWidget*>(view.imgFullScr),
          static_cast<QWidget*>(view.imgFullScrH)}) {
        if (control->isVisible()) {
            return control;
        }
    }
    return &view;
}

}  // namespace plenarvo::testing
