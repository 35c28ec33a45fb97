#pragma once

#include "forms/forms.h"
#include "platform/qt/controls.h"

#include <QPointer>

namespace plenarvo {

// The version of the program as the About box and the splash screen show it.
QString versionLine();
QString applicationTitle();

// The splash screen: product name, platform and version, shown for the first
// three seconds of a run, raised once above the other windows by its own timer.
class FrmSplash : public Form {
    Q_OBJECT
public:
    static constexpr Window kWindow = Window::Splash;

    explicit FrmSplash(Forms& forms);

    controls::Label* lblProductName = nullptr;
    controls::Label* lblPlatform = nullptr;
    controls::Label* lblVersion = nullptr;
    controls::Label* lblBrand = nullptr;
    controls::Label* lblMaker1 = nullptr;
    controls::Label* lblMaker2 = nullptr;
    controls::Image* imgLogo = nullptr;
    platform::Timer* tmrPageFocus = nullptr;

    void Form_Load() override;
    void tmrPageFocus_Timer();
    // After its timer has raised it, and until the phase ends: the splash over
    // the main window, the full view behind both.
    bool keepsFront() const;
    // Puts the windows in that order again, as when the timer fired.
    void restack();

    // Whether the window system lets a window raise itself (X11 does, Wayland
    // does not).
    static bool raisesItself();

protected:
    // Watches the program's modal windows (message boxes, dialogs): one shown
    // while the splash is up comes in front of it, with the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void giveFront(QWidget* modal);
    void takeFrontBack(QWidget* modal);

    QPointer<QWidget> modal_;  // the modal window in front of the splash
};

}  // namespace plenarvo
