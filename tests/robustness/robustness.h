#pragma once

#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"

#include <QSet>

namespace plenarvo::testing {

// The program on fakes, with helpers that drive the thumbnail sheet to its last cell.
class Robustness : public AppFixture {
protected:
    void startPastSplash();
    FrmThumb& sheet() { return forms->thumb(); }

    // Opens the sheet; every cell whose picture arrives (or fails) goes into `arrived`.
    FrmThumb& openSheet();
    // Lets the workers finish and hands their results to the cells.
    void deliverThumbnails();
    // Scrolls until every picture has its cell, running `betweenBatches` after
    // each delivered batch; fails past `maxBatches`.
    void buildWholeSheet(const std::function<void()>& betweenBatches = {}, int maxBatches = 200);
    // The display control of the full view that a click returns from.
    QWidget* fullViewTarget();

    QSet<int> arrived;
};

}  // namespace plenarvo::testing
