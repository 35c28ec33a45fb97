#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"
#include "thumbnails/frm_thumb.h"

namespace plenarvo {

void FrmImage::wireThumbs() {
    connect(cmdThumb, &QPushButton::clicked, this, [this] { cmdThumb_Click(); });
}

// Opens the preview's picture in the full-screen view. No test is made: whatever
// the preview holds is shown, the start picture included.
void FrmImage::cmdFullScreen_Click() {
    forms_.get<FrmFullView>().open(imgImage->picture(), FrmFullView::ReturnTo::Main);
}

// Opens a new thumbnail sheet on the open folder; any previous sheet goes first.
void FrmImage::cmdThumb_Click() {
    if (forms_.isLoaded(Window::Thumb)) {
        forms_.unload(Window::Thumb);
    }
    forms_.get<FrmThumb>().open();  // loads the new sheet: its load steps build it first
}

}  // namespace plenarvo
