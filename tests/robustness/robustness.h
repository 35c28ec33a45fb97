#pragma once

#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/thumbnail_loader.h"

#include <QCoreApplication>
#include <QSet>

namespace plenarvo::testing {

// The program on fakes, with helpers that drive the thumbnail sheet to its last cell.
class Robustness : public AppFixture {
protected:
    void startPastSplash() {
        start();
        advance(3000);
        settle();
    }
    FrmThumb& sheet() { return forms->thumb(); }

    // Opens the sheet; every cell whose picture arrives (or fails) goes into `arrived`.
    FrmThumb& openSheet() {
        main().cmdThumb_Click();
        sheet().afterThumbnail = [this](int cell) { arrived.insert(cell); };
        return sheet();
    }

    // Lets the workers finish and hands their results to the cells.
    void deliverThumbnails() {
        sheet().thumbnails().waitForDone();
        QCoreApplication::sendPostedEvents();
    }

    // Scrolls until every picture has its cell, running `betweenBatches` after
    // each delivered batch; fails past 200 batches.
    void buildWholeSheet(const std::function<void()>& betweenBatches = {}) {
        FrmThumb& s = sheet();
        deliverThumbnails();
        if (s.ThumbCount < 5) {
            return;  // no batch runs for such a sheet
        }
        for (int batches = 0; batches == 0 || s.RowEnd < s.ThumbCount; ++batches) {
            ASSERT_LT(batches, 200) << "the sheet stopped growing at cell " << s.RowEnd;
            if (batches > 0) {  // the first batch is armed by loading
                QScrollBar* bar = s.vsrPallet;
                ASSERT_LT(bar->minimum(), bar->maximum());
                bar->setValue(bar->value() == bar->maximum() ? bar->minimum() : bar->maximum());
                ASSERT_TRUE(s.Timer1->enabled());
            }
            advance(100);
            deliverThumbnails();
            if (betweenBatches) {
                betweenBatches();
            }
        }
    }

    // The display control of the full view that a click returns from.
    QWidget* fullViewTarget() {
        FrmFullView& view = forms->fullView();
        for (QWidget* control :
             std::initializer_list<QWidget*>{view.picFullScr, view.imgFullScr, view.imgFullScrH}) {
            if (control->isVisible()) {
                return control;
            }
        }
        return &view;
    }

    QSet<int> arrived;
};

}  // namespace plenarvo::testing
