#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"
#include "thumbnails/frm_thumb.h"

namespace plenarvo {

void FrmImage::wireSchemes() {
    mnuOptBacGrnDef->onClick = [this] { mnuOptBacGrnDef_Click(); };
    mnuOptBacGrnGre->onClick = [this] { mnuOptBacGrnGre_Click(); };
    mnuOptBacGrnLitBlu->onClick = [this] { mnuOptBacGrnLitBlu_Click(); };
    mnuOptBacGrnPur->onClick = [this] { mnuOptBacGrnPur_Click(); };
    mnuOptBacGrnPut->onClick = [this] { mnuOptBacGrnPut_Click(); };
}

void FrmImage::mnuOptBacGrnDef_Click() {
    selectScheme(Scheme::Default);
}
void FrmImage::mnuOptBacGrnGre_Click() {
    selectScheme(Scheme::Neon);
}
void FrmImage::mnuOptBacGrnLitBlu_Click() {
    selectScheme(Scheme::Teal);
}
void FrmImage::mnuOptBacGrnPur_Click() {
    selectScheme(Scheme::HotMaroon);
}
void FrmImage::mnuOptBacGrnPut_Click() {
    selectScheme(Scheme::ButtonFace);
}

// Moves the check mark, recolours the three viewer windows, closes the
// full-screen view (which ends timed viewing and resets the view order) and
// saves the settings. Choosing the scheme already checked does all the same.
void FrmImage::selectScheme(Scheme scheme) {
    // 1. The check marks, in menu-handler order.
    for (Scheme s :
         {Scheme::Default, Scheme::Neon, Scheme::Teal, Scheme::HotMaroon, Scheme::ButtonFace}) {
        schemeItem(s)->setChecked(s == scheme);
    }
    // 2. The Default scheme's panels and divider.
    const SchemeInfo& info = schemeInfo(scheme);
    Shape5->setVisible(info.decorations);
    Shape3->setVisible(info.decorations);
    Line1->setVisible(info.decorations);
    // 3. The colour. A window that is not loaded loads (hidden) on this first
    // touch, and its own load steps already see the new check marks; the sheet's
    // load builds the sheet.
    const QColor colour = schemeColour(scheme);
    forms_.get<FrmFullView>().setSchemeColour(colour);
    controls::setBackground(client, colour);
    forms_.get<FrmThumb>().setSchemeColour(colour);
    // 4.
    raise();
    // 5. Its unload steps return the order to consecutive and clear chkTimed,
    // which runs the box's handling when it was checked.
    forms_.unload(Window::FullView);
    // 6. The flags as they stand now, after the unload.
    SaveSettings();
}

}  // namespace plenarvo
