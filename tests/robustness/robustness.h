#pragma once

#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"

#include <QSet>

namespace plenarvo::testing {

// The whole program on fakes, started past its splash phase, with helpers that
// drive the thumbnail sheet to its last cell.
class Robustness : public AppFixture {
protected:
    void startPastSplash();
    FrmThumb& sheet() { return forms->thumb(); }

    // Opens the sheet from the main window and records every cell whose picture
    // arrives (decoded or failed) in `arrived`.
    FrmThumb& openSheet();
    // Lets the workers finish what they were asked for and hands the results to
    // the cells: queued calls, delivered by the event queue.
    void deliverThumbnails();
    // Builds the sheet batch by batch, the way scrolling does, until every
    // picture has its cell; `betweenBatches` runs after each batch has been
    // built and its pictures delivered. Fails the test past `maxBatches`.
    void buildWholeSheet(const std::function<void()>& betweenBatches = {}, int maxBatches = 200);
    // The display control of the full view that a click returns from.
    QWidget* fullViewTarget();

    QSet<int> arrived;
};

}  // namespace plenarvo::testing
