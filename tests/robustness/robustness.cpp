#include "robustness/robustness.h"

#include "full_view/frm_full_view.h"
#include "thumbnails/thumbnail_loader.h"

#include <QCoreApplication>

namespace plenarvo::testing {

void Robustness::startPastSplash() {
    start();
    advance(3000);
    settle();
}

FrmThumb& Robustness::openSheet() {
    main().cmdThumb_Click();
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
        return;  // no batch runs for such a sheet
    }
    advance(100);  // the batch armed by loading
    deliverThumbnails();
    int batches = 1;
    while (s.RowEnd < s.ThumbCount) {
        if (betweenBatches) {
            betweenBatches();
        }
        ASSERT_LT(batches, maxBatches) << "the sheet stopped growing at cell " << s.RowEnd;
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
