#include "app/forms.h"
#include "main_window/frm_image.h"
#include "thumbnails/frm_thumb.h"

#include <algorithm>

namespace plenarvo {

FrmThumb& Forms::thumb() {
    return load<FrmThumb>(Window::Thumb);
}

void FrmImage::wireThumbs() {
    connect(cmdThumb, &QPushButton::clicked, this, [this] { cmdThumb_Click(); });
}

// Opens a new thumbnail sheet on the open folder; any previous sheet goes first.
void FrmImage::cmdThumb_Click() {
    if (forms_.isLoaded(Window::Thumb)) {
        forms_.unload(Window::Thumb);
    }
    const int n = std::min(filPic->listCount(), FrmThumb::kMaxPictures);
    const int h = FrmThumb::palletHeightFor(n);
    FrmThumb& sheet = forms_.thumb();  // loads the new sheet: its load steps run here
    sheet.setOuterHeight(h + 200);
    sheet.picHold->resize(sheet.picHold->width(), h);
    sheet.setWindowState(sheet.windowState() | Qt::WindowMaximized);
    sheet.show();
    sheet.raise();
    sheet.activateWindow();
    hide();
    sheet.setVisible(true);
    sheet.PrintSheetTitle();
}

}  // namespace plenarvo
