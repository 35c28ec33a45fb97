#include "main_window/frm_image.h"
#include "platform/core/help.h"

#include <QWindow>

namespace plenarvo {

void FrmImage::wireHelpCommands() {
    // F1 is the Help item's shortcut, so it comes here through the menu item.
    mnuHelpHelp->onClick = [this] { mnuHelpHelp_Click(); };
    mnuHelpAbout->onClick = [this] { mnuHelpAbout_Click(); };
    picIcon->onClick = [this] { picIcon_Click(); };
}

void FrmImage::mnuHelpHelp_Click() {
    forms_.platform().help->open(this, QStringLiteral("Plenarvo Viewer Help.hlp"),
                                 platform::kHelpContents, 0);
}

void FrmImage::mnuHelpAbout_Click() {
    // Loads the About box when it is not open; an open one is only brought up.
    Form& about = forms_.form(Window::About);
    about.update();
    if (!about.isVisible()) {
        // Kept with the main window, off the task bar.
        about.winId();
        if (QWindow* own = about.windowHandle(); own && windowHandle()) {
            own->setTransientParent(windowHandle());
        }
    }
    about.show();
    about.raise();
    about.activateWindow();
}

void FrmImage::picIcon_Click() {
    mnuHelpAbout_Click();
}

}  // namespace plenarvo
