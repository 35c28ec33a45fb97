#include "about/frm_splash.h"

#include "main_window/artwork.h"
#include "platform/core/paths.h"
#include "platform/core/twips.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QVersionNumber>
#include <QWindow>

namespace plenarvo {

using controls::makeFont;
using controls::place;

QString applicationTitle() {
    return QCoreApplication::applicationName();
}

QString versionLine() {
    const QVersionNumber v = QVersionNumber::fromString(QCoreApplication::applicationVersion());
    return QStringLiteral("Version %1.%2.%3")
        .arg(v.majorVersion())
        .arg(v.minorVersion())
        .arg(v.microVersion());
}

FrmSplash::FrmSplash(Forms& forms) : Form(forms) {
    setObjectName(QStringLiteral("frmSplash"));
    // Kept above the other windows of the program for the whole splash phase.
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setFixedSize(twips::size(7980, 4545));
    controls::setBackground(this, palette().color(QPalette::Button));

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    place(frame, 0, 0, 8025, 4455);
    imgLogo = new controls::Image(this);
    place(imgLogo, 240, 795, 1815, 1305);
    // The logo is drawn afresh at the control's device pixels, sharp on any screen.
    imgLogo->setPicture(pictures::Picture::fromImage(logoPicture()),
                        logoPicture(imgLogo->pixelSize()));

    auto label = [this](const QString& text, double points, bool bold, int l, int t, int w, int h) {
        auto* lbl = new controls::Label(text, this);
        lbl->setFont(makeFont(QStringLiteral("Arial"), points, bold));
        lbl->setWordWrap(true);
        place(lbl, l, t, w, h);
        return lbl;
    };
    lblBrand = label(QStringLiteral("Plenarvo Pictures"), 18, true, 2355, 705, 4065, 435);
    lblProductName = label(QString(), 27.75, true, 2520, 1140, 5025, 660);
    lblPlatform =
        label(QStringLiteral("For ") + platform::systemName(), 15.75, true, 4080, 2340, 3585, 360);
    lblVersion = label(QString(), 12, true, 4440, 2700, 1470, 285);
    lblMaker1 =
        label(QStringLiteral("By the Plenarvo developers"), 8.25, false, 4560, 3240, 2415, 255);
    lblMaker2 =
        label(QStringLiteral("Free to use and to share"), 8.25, false, 4560, 3480, 2895, 375);

    tmrPageFocus = makeTimer(100, true, [this] { tmrPageFocus_Timer(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    qApp->installEventFilter(this);

    if (!raisesItself()) {
        // A Wayland compositor keeps no window above the others at the window's
        // asking and lets none raise itself, but puts a window shown afresh on
        // top. So while the splash is up, another window of the program coming
        // to the front shows the splash again, once that window's showing is over.
        connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
            // A message box keeps the front it was given.
            if (focus == nullptr || !isVisible() || focus == windowHandle() ||
                QGuiApplication::modalWindow() != nullptr) {
                return;
            }
            QTimer::singleShot(0, this, [this] {
                if (isVisible() && QGuiApplication::focusWindow() != windowHandle() &&
                    QGuiApplication::modalWindow() == nullptr) {
                    hide();
                    show();
                }
            });
        });
    }
}

void FrmSplash::Form_Load() {
    lblVersion->setText(versionLine());
    lblProductName->setText(applicationTitle());
}

void FrmSplash::tmrPageFocus_Timer() {
    restack();
    tmrPageFocus->setEnabled(false);
}

bool FrmSplash::keepsFront() const {
    return isVisible() && !tmrPageFocus->enabled();
}

void FrmSplash::restack() {
    raise();
    if (!forms_.isLoaded(Window::FullView)) {
        return;
    }
    forms_.form(Window::FullView).lower();
    // A window manager keeps the window it last activated above a request to
    // lower it, and may activate the full view only after this runs: raising
    // the main window over it, and the splash over both, gives the order the
    // splash phase is meant to show. The splash takes the activation, so keys
    // pressed during the phase reach no window's commands.
    if (forms_.isLoaded(Window::Image)) {
        forms_.form(Window::Image).raise();
    }
    raise();
    activateWindow();
    if (modal_) {
        // A message box that came up meanwhile stays in front, with the focus.
        modal_->raise();
        modal_->activateWindow();
    }
}

bool FrmSplash::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide) && watched != this) {
        auto* window = qobject_cast<QWidget*>(watched);
        if (window && window->isWindow() && window->windowModality() != Qt::NonModal) {
            if (type == QEvent::Show) {
                giveFront(window);
            } else {
                takeFrontBack(window);
            }
        }
    }
    return Form::eventFilter(watched, event);
}

// The splash keeps above the other windows of the program for its whole phase:
// it lets go of that while a modal window is up, which then comes in front.
void FrmSplash::giveFront(QWidget* modal) {
    if (!isVisible() || modal_) {
        return;
    }
    modal_ = modal;
    setWindowFlag(Qt::WindowStaysOnTopHint, false);  // this hides the splash
    show();
    modal->raise();
    modal->activateWindow();
}

void FrmSplash::hideEvent(QHideEvent* event) {
    Form::hideEvent(event);
    if (modal_ && !modal_->isHidden()) {
        // The end of the splash phase raises the main window: the box still open
        // comes in front of it once that step is over.
        QTimer::singleShot(0, modal_, [modal = modal_] {
            if (modal) {
                modal->raise();
                modal->activateWindow();
            }
        });
    }
}

void FrmSplash::takeFrontBack(QWidget* modal) {
    if (modal != modal_) {
        return;
    }
    modal_ = nullptr;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) {
        show();
        raise();
    }
}

bool FrmSplash::raisesItself() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace plenarvo
