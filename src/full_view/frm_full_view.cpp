#include "full_view/frm_full_view.h"

#include "about/frm_splash.h"
#include "decoding/decode_queue.h"
#include "main_window/artwork.h"
#include "main_window/frm_image.h"
#include "main_window/schemes.h"
#include "pictures/cost.h"
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

namespace {

std::function<void()>& decodeHook() {
    static std::function<void()> hook;
    return hook;
}

// What one decode brings the display controls that wait for it.
struct ViewPictures {
    QImage box;
    QImage wide;
    QImage tall;
    QString error;
};

}  // namespace

void FrmFullView::setDecodeHook(std::function<void()> hook) {
    decodeHook() = std::move(hook);
}

void FrmFullView::runDecodeHook() {
    if (decodeHook()) {
        decodeHook()();
    }
}

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
    if (slideAwaited_) {
        selectionHeld_ = true;  // the choice goes by the size of the picture on its way
        return;
    }
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

QWidget* FrmFullView::selected() const {
    const int fw = sizeInTwips(imgFullScr).width();
    const QSize box = sizeInTwips(picFullScr);
    const int pw = box.width();
    const int ph = box.height();
    if (pw > fw && pw > ph) {
        return imgFullScr;
    }
    if (pw > 10200 && pw < ph) {
        return imgFullScrH;
    }
    return picFullScr;
}

void FrmFullView::SelectDisplay() {
    selected()->show();
    RevealView();
}

void FrmFullView::RevealView() {
    revealWhenDecoded({.raise = true});
}

void FrmFullView::showView() {
    showMaximized();
    if (picFullScr->isVisible()) {
        // The picture box takes the keyboard focus, so that any key returns.
        picFullScr->setFocus();
    }
}

void FrmFullView::open(const pictures::Picture& picture, ReturnTo back,
                       std::function<void(const QString&)> failed) {
    give(picture, true);
    centre(imgFullScrH);
    centre(imgFullScr);
    centre(picFullScr);
    returnTo_ = back;
    failed_ = std::move(failed);
    revealWhenDecoded({.hideMain = true, .hideSheet = back == ReturnTo::Sheet});
}

void FrmFullView::awaitSlide() {
    slideAwaited_ = true;
}

void FrmFullView::showSlide(const pictures::Picture& picture, const QImage& natural) {
    slideAwaited_ = false;
    if (!natural.isNull()) {
        picFullScr->setPicture(picture, natural);
    } else {
        give(picture, false);
    }
    centre(picFullScr);
    if (std::exchange(selectionHeld_, false)) {
        SelectDisplay();
    } else if (pending_) {
        askForPictures();  // the view waits for this picture now
    }
}

void FrmFullView::showSlides() {
    picFullScr->show();
    revealWhenDecoded({});
}

// Gives the picture to the picture box (and the frames) without decoding it
// here; the controls that show get theirs from the worker. Artwork made by the
// program is decoded already.
void FrmFullView::give(const pictures::Picture& picture, bool frames) {
    const bool artwork = picture.bytes().isEmpty();
    if (!(picture == picFullScr->picture() && picFullScr->hasImage())) {
        if (artwork) {
            picFullScr->setPicture(picture);
        } else {
            picFullScr->holdPicture(picture);
        }
    }
    if (!frames) {
        return;
    }
    for (controls::Image* frame : {imgFullScr, imgFullScrH}) {
        if (picture == frame->picture() && !frame->shownImage().isNull()) {
            continue;
        }
        frame->setPicture(
            picture, artwork && !picture.isNull() ? picture.scaled(frame->pixelSize()) : QImage());
    }
}

FrmFullView::Controls FrmFullView::missing() const {
    QWidget* const chosen = tmrSelect->enabled() ? selected() : nullptr;
    const auto shows = [chosen](const QWidget* control) {
        return !control->isHidden() || control == chosen;
    };
    const auto lacks = [](const controls::Image* frame) {
        return !frame->picture().isNull() && frame->shownImage().isNull();
    };
    Controls m;
    m.box = shows(picFullScr) &&
            (slideAwaited_ || (!picFullScr->picture().isNull() && !picFullScr->hasImage()));
    m.wide = shows(imgFullScr) && lacks(imgFullScr);
    m.tall = shows(imgFullScrH) && lacks(imgFullScrH);
    return m;
}

void FrmFullView::revealWhenDecoded(Reveal reveal) {
    if (!pending_) {
        pending_ = Reveal{};
    }
    Reveal& p = *pending_;
    p.hideMain |= reveal.hideMain;
    p.raise |= reveal.raise;
    p.hideSheet |= reveal.hideSheet;
    askForPictures();
}

void FrmFullView::askForPictures() {
    const Controls want = missing();
    if (!want.any()) {
        revealNow();
        return;
    }
    if (slideAwaited_) {
        return;  // its picture comes with it
    }
    const pictures::Picture picture = picFullScr->picture();
    if (picture == asked_ && (!want.box || askedFor_.box) && (!want.wide || askedFor_.wide) &&
        (!want.tall || askedFor_.tall)) {
        return;  // under way already
    }
    if (!decoder_) {
        decoder_ = new DecodeQueue(1, this);
    }
    decoder_->reset();  // a picture asked for before is not wanted any more
    asked_ = picture;
    askedFor_ = want;
    const QSize wide = imgFullScr->pixelSize();
    const QSize tall = imgFullScrH->pixelSize();
    decoder_->submit(
        [picture, want, wide, tall](const std::atomic<bool>& cancelled) {
            runDecodeHook();
            ViewPictures out;
            // Decoded from a copy of its own, so that a decode stopped halfway
            // stays with nobody; it stops at its next row once not wanted.
            const pictures::detail::CancelScope scope(&cancelled);
            const pictures::Picture own = pictures::Picture::fromData(picture.bytes(), &out.error);
            if (own.isNull()) {
                return out;
            }
            // At the size each control shows it: natural size in the picture box,
            // the frames' own device pixels.
            if (want.box) {
                out.box = own.image(&out.error);
            }
            if (want.wide && out.error.isEmpty()) {
                out.wide = own.scaled(wide, &out.error);
            }
            if (want.tall && out.error.isEmpty()) {
                out.tall = own.scaled(tall, &out.error);
            }
            return out;
        },
        [this, picture](quint64, const ViewPictures& got) {
            asked_ = {};
            askedFor_ = {};
            bool taken = false;
            if (picFullScr->picture() == picture && !got.box.isNull()) {
                picFullScr->setPicture(picture, got.box);
                taken = true;
            }
            if (imgFullScr->picture() == picture && !got.wide.isNull()) {
                imgFullScr->setPicture(picture, got.wide);
                taken = true;
            }
            if (imgFullScrH->picture() == picture && !got.tall.isNull()) {
                imgFullScrH->setPicture(picture, got.tall);
                taken = true;
            }
            if (!got.error.isEmpty() && failed_ && pending_) {
                // Nothing to show: the view goes, and its opener says why.
                const auto failed = std::exchange(failed_, {});
                forms_.unload(Window::FullView);
                failed(got.error);
                return;
            }
            if (got.error.isEmpty() && taken) {
                askForPictures();  // what shows may have changed meanwhile
            } else {
                // Failed, or nothing holds that picture any more: asking again
                // would decode the same again, so it shows what it has.
                revealNow();  // it shows what it has
            }
        });
}

void FrmFullView::revealNow() {
    if (!pending_) {
        return;
    }
    const Reveal reveal = *std::exchange(pending_, std::nullopt);
    failed_ = {};
    if (reveal.hideMain) {
        forms_.form(Window::Image).hide();
    }
    showView();
    if (reveal.raise) {
        raise();
        activateWindow();
    }
    if (reveal.hideSheet && forms_.isLoaded(Window::Thumb)) {
        forms_.form(Window::Thumb).hide();
    }
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
    // Nothing waits for its pictures any more.
    pending_.reset();
    failed_ = {};
    if (decoder_) {
        decoder_->reset();
    }
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
