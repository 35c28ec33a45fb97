#include "full_view/frm_full_view.h"

#include "about/frm_splash.h"
#include "main_window/artwork.h"
#include "main_window/frm_image.h"
#include "main_window/schemes.h"
#include "platform/core/twips.h"
#include "thumbnails/frm_thumb.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>

#include <cmath>

namespace plenarvo {

using controls::fromBgr;
using controls::place;

FrmFullView::FrmFullView(Forms& forms) : Form(forms) {
    setObjectName(QStringLiteral("frmFullView"));
    setWindowTitle(QStringLiteral("Full View"));
    setWindowIcon(QIcon(QPixmap::fromImage(iconPicture())));
    resize(twips::size(15240, 11010));
    controls::setBackground(this, fromBgr(0x800000));
    setFocusPolicy(Qt::StrongFocus);

    tmrSelect = makeTimer(10, false, [this] { tmrSelect_Timer(); });

    // The frames are lightweight and lie beneath the picture box.
    imgFullScrH = new controls::Image(this);
    place(imgFullScrH, 3360, 1560, kTallWidth, kTallHeight);
    imgFullScrH->hide();
    imgFullScr = new controls::Image(this);
    place(imgFullScr, 0, 2040, kWideWidth, kWideHeight);
    imgFullScr->hide();
    picFullScr = new controls::PictureBox(this, true);
    place(picFullScr, 7320, 5520, 3735, 1695);
    controls::setBackground(picFullScr, fromBgr(0x800000));
    picFullScr->setToolTip(QStringLiteral("Click to go back"));
    picFullScr->setFocusPolicy(Qt::StrongFocus);
    picFullScr->hide();
    cmdAnyKey = new QPushButton(QStringLiteral("AnyKey"), this);
    cmdAnyKey->setFont(
        controls::makeFont(QStringLiteral("Lynda Cursive"), 12, true, false, QFont::Cursive));
    cmdAnyKey->setToolTip(QStringLiteral("Go Back to the main Page"));
    place(cmdAnyKey, 13320, 50, 855, 375);
    cmdAnyKey->hide();

    // A click on a display control is that control's alone: it must not reach
    // the window as a second click once the return has run.
    for (QWidget* control : {static_cast<QWidget*>(imgFullScr), static_cast<QWidget*>(imgFullScrH),
                             static_cast<QWidget*>(picFullScr)}) {
        control->setAttribute(Qt::WA_NoMousePropagation);
    }
    const auto back = [this] { cmdAnyKey_Click(); };
    imgFullScr->onClick = back;
    imgFullScrH->onClick = back;
    picFullScr->onClick = back;
    picFullScr->onKeyPress = [this](int) { cmdAnyKey_Click(); };
    connect(cmdAnyKey, &QPushButton::clicked, this, back);
}

void FrmFullView::Form_Load() {
    if (auto colour = schemeColourOnLoad(forms_.get<FrmImage>().schemeChecks())) {
        controls::setBackground(this, *colour);
    }
    tmrSelect->setEnabled(true);
}

void FrmFullView::tmrSelect_Timer() {
    tmrSelect->setEnabled(false);
    SelectDisplay();
}

QSize FrmFullView::sizeInTwips(const QWidget* control) const {
    if (control == imgFullScr) {
        return {kWideWidth, kWideHeight};
    }
    if (control == imgFullScrH) {
        return {kTallWidth, kTallHeight};
    }
    return {twips::fromPixels(control->width()), twips::fromPixels(control->height())};
}

void FrmFullView::SelectDisplay() {
    const int fw = sizeInTwips(imgFullScr).width();
    const QSize box = sizeInTwips(picFullScr);
    const int pw = box.width();
    const int ph = box.height();
    if (pw > fw && pw > ph) {
        imgFullScr->show();
    } else if (pw > 10200 && pw < ph) {
        imgFullScrH->show();
    } else {
        picFullScr->show();
    }
    RevealView();
}

void FrmFullView::RevealView() {
    showView();
    raise();
    activateWindow();
}

void FrmFullView::showView() {
    showMaximized();
    if (picFullScr->isVisible()) {
        // The picture box takes the keyboard focus, so that any key returns.
        picFullScr->setFocus();
    }
}

void FrmFullView::open(const pictures::Picture& picture, ReturnTo back, const QImage& wide,
                       const QImage& tall) {
    picFullScr->setPicture(picture);
    imgFullScr->setPicture(picture, wide);
    imgFullScrH->setPicture(picture, tall);
    centre(imgFullScrH);
    centre(imgFullScr);
    centre(picFullScr);
    returnTo_ = back;
    forms_.form(Window::Image).hide();
    showView();
}

void FrmFullView::showSlide(const pictures::Picture& picture) {
    picFullScr->setPicture(picture);
    centre(picFullScr);
}

void FrmFullView::showSlides() {
    picFullScr->show();
    showView();
}

void FrmFullView::setSchemeColour(const QColor& colour) {
    controls::setBackground(this, colour);
    controls::setBackground(picFullScr, colour);
}

void FrmFullView::followButtonFace(const QColor& face) {
    controls::setBackground(this, face);
}

void FrmFullView::centre(QWidget* control) {
    // In twips of the window's outer size, in single precision.
    const QSizeF outer = outerSizeInTwips();
    const QSize size = sizeInTwips(control);
    const auto windowHeight = static_cast<float>(outer.height());
    const auto windowWidth = static_cast<float>(outer.width());
    const float top = windowHeight / 2 - static_cast<float>(size.height()) / 2;
    const float left = windowWidth / 2 - static_cast<float>(size.width()) / 2;
    control->move(twips::toPixels(left), twips::toPixels(top));
}

QSizeF FrmFullView::outerSizeInTwips() const {
    // The window is always maximized: its outer rectangle is the screen's work area.
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize outer = where ? where->availableGeometry().size() : frameGeometry().size();
    return {static_cast<qreal>(twips::fromPixels(outer.width())),
            static_cast<qreal>(twips::fromPixels(outer.height()))};
}

void FrmFullView::showOrigin() {
    if (returnTo_ == ReturnTo::Sheet) {
        forms_.get<FrmThumb>().returnFromView();
    } else {
        forms_.form(Window::Image).show();
    }
}

void FrmFullView::cmdAnyKey_Click() {
    showOrigin();
    if (returnTo_ == ReturnTo::Main) {
        forms_.get<FrmImage>().endTimedViewing();
    }
    forms_.unload(Window::FullView);
}

void FrmFullView::Form_Unload() {
    forms_.get<FrmImage>().endTimedViewing(FrmImage::ViewOrderAfter::Consecutive);
}

void FrmFullView::mouseReleaseEvent(QMouseEvent* event) {
    Form::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        cmdAnyKey_Click();
    }
}

void FrmFullView::keyPressEvent(QKeyEvent* event) {
    // Enter presses the hidden default button, which returns.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        cmdAnyKey_Click();
        return;
    }
    Form::keyPressEvent(event);
}

void FrmFullView::changeEvent(QEvent* event) {
    Form::changeEvent(event);
    // The window manager may activate the view after the splash sent it to the
    // back; during the splash phase it stays there.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        forms_.isLoaded(Window::Splash) && forms_.get<FrmSplash>().keepsFront()) {
        forms_.get<FrmSplash>().restack();
    }
}

void FrmFullView::closeEvent(QCloseEvent* event) {
    if (forms_.ended()) {
        event->accept();  // the program is ending: nothing to go back to
        return;
    }
    event->ignore();
    // Closed from its title bar: show the window it was opened from, so that
    // the user is never left without a window, then unload.
    showOrigin();
    forms_.unload(Window::FullView);
}

}  // namespace plenarvo
