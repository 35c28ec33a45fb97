#include "app/forms.h"
#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"

namespace plenarvo {

// Opens the preview's picture in the full-screen view. No test is made: whatever
// the preview holds is shown, the start picture included.
void FrmImage::cmdFullScreen_Click() {
    const pictures::Picture picture = imgImage->picture();
    forms_.fullView().picFullScr->setPicture(picture);
    FrmFullView& view = forms_.fullView();
    view.imgFullScr->setPicture(picture);
    view.imgFullScrH->setPicture(picture);
    view.centre(view.imgFullScrH);
    view.centre(view.imgFullScr);
    view.centre(view.picFullScr);
    hide();
    view.showView();
}

}  // namespace plenarvo
