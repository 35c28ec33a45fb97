#pragma once

#include "forms/forms.h"
#include "platform/qt/controls.h"

#include <QPushButton>

#include <functional>
#include <optional>

namespace plenarvo {

class DecodeQueue;

// The full-screen view: one maximized window that shows a picture at its natural
// size in a picture box, or stretched into a wide or a tall frame, chosen by the
// picture's size shortly after the window loads. A click anywhere, or a key in
// the picture box, returns to the window the view was opened from.
class FrmFullView : public Form {
    Q_OBJECT
public:
    static constexpr Window kWindow = Window::FullView;

    explicit FrmFullView(Forms& forms);

    // The window a return from the view goes back to.
    enum class ReturnTo { Main, Sheet };

    // Sizes of the two frames in twips; they never change.
    static constexpr int kWideWidth = 16575;
    static constexpr int kWideHeight = 11775;
    static constexpr int kTallWidth = 10215;
    static constexpr int kTallHeight = 11500;

    platform::Timer* tmrSelect = nullptr;
    controls::Image* imgFullScr = nullptr;   // the frame for wide pictures
    controls::Image* imgFullScrH = nullptr;  // the frame for tall pictures
    controls::PictureBox* picFullScr = nullptr;
    QPushButton* cmdAnyKey = nullptr;

    void Form_Load() override;
    void Form_Unload() override;
    void tmrSelect_Timer();
    void SelectDisplay();
    void RevealView();
    void cmdAnyKey_Click();

    // Opens a picture: all three display controls take it, each is centred, the
    // window it was opened from is kept for the return, the main window is hidden
    // and the view shows. The pictures of the controls that show are decoded on a
    // worker first; hiding the main window (and the sheet, for a view opened from
    // it) and showing the view wait for them. `failed`, when given, runs instead
    // when the picture cannot be decoded.
    void open(const pictures::Picture& picture, ReturnTo back,
              std::function<void(const QString& error)> failed = {});
    ReturnTo returnTo() const { return returnTo_; }
    // The slide show's picture: into the picture box alone, centred. `natural`,
    // when given, is the picture already decoded at its natural size.
    void showSlide(const pictures::Picture& picture, const QImage& natural = {});
    // The slide show's view: the picture box shown, the window shown (once its
    // picture has been decoded).
    void showSlides();
    // The slide show's picture is on its way: the view does not show before
    // showSlide() has brought it.
    void awaitSlide();
    // Whether the view is to show as soon as its pictures have been decoded.
    bool waitingForPictures() const { return pending_.has_value() || slideAwaited_; }
    // Whether the slide show's next picture is on its way to the picture box.
    bool awaitingSlide() const { return slideAwaited_; }
    // Runs on the worker before each decode of the view's pictures and of the
    // slide show's (tests hold them with it); empty by default.
    static void setDecodeHook(std::function<void()> hook);
    static void runDecodeHook();
    // A colour scheme chosen: the background of the window and its picture box.
    void setSchemeColour(const QColor& colour);
    // The system's colours changed under the Button Face scheme: the window's
    // background follows; the picture box keeps the colour it was built with.
    void followButtonFace(const QColor& face);

    // Centres a control on the window's outer rectangle: Top, then Left.
    void centre(QWidget* control);
    // A control's size in twips (the frames keep their exact designed sizes).
    QSize sizeInTwips(const QWidget* control) const;
    // Shows the window maximized, modeless.
    void showView();
    // The window's outer size in twips, as it stands maximized.
    QSizeF outerSizeInTwips() const;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The window the view was opened from shown again.
    void showOrigin();

    // What the selection tick will make visible, by the picture box's size.
    QWidget* selected() const;
    // The display controls that show (or will at the pending selection tick) and
    // have no decoded picture yet.
    struct Controls {
        bool box = false;
        bool wide = false;
        bool tall = false;
        bool any() const { return box || wide || tall; }
    };
    Controls missing() const;
    // The steps that wait for the pictures, merged so that each runs once.
    struct Reveal {
        bool hideMain = false;
        bool raise = false;
        bool hideSheet = false;
    };
    void revealWhenDecoded(Reveal reveal);
    void askForPictures();
    void revealNow();
    void give(const pictures::Picture& picture, bool frames);

    ReturnTo returnTo_ = ReturnTo::Main;
    std::optional<Reveal> pending_;
    std::function<void(const QString&)> failed_;
    DecodeQueue* decoder_ = nullptr;  // one worker, made on the first decode
    bool slideAwaited_ = false;
    bool selectionHeld_ = false;  // the selection tick came while a slide was awaited
    pictures::Picture asked_;     // the picture a decode is under way for
    Controls askedFor_;
};

}  // namespace plenarvo
