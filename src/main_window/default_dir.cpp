#include "main_window/frm_image.h"

namespace plenarvo {

void FrmImage::mnuOptDefDir_Click() {
    frmDefault->show();
    // The frame shows the default folder as last applied or saved; an edit that
    // was never saved is dropped here.
    txtDefault->setText(txtDefault->tag);
}

void FrmImage::cmdCDefault_Click() {
    txtDefault->setText(filPic->path());
    SaveSettings();
    txtDefault->tag = txtDefault->text();
    frmDefault->hide();
}

void FrmImage::cmdHide_Click() {
    frmDefault->hide();
}

}  // namespace plenarvo
