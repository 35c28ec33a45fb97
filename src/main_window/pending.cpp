#include "main_window/frm_image.h"

// Command groups whose windows are still being built connect nothing yet.
namespace plenarvo {

void FrmImage::wireTimedViewing() {}
void FrmImage::wireFileCommands() {}
void FrmImage::wireHelpCommands() {}
void FrmImage::wireSchemes() {}
void FrmImage::wireThumbs() {}

}  // namespace plenarvo

#include "full_view/frm_full_view.h"

namespace plenarvo {
void FrmFullView::returnToSheet() {}
}  // namespace plenarvo
