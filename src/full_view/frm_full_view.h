#pragma once

#include "forms/forms.h"
#include "platform/qt/controls.h"

#include <QPushButton>

namespace plenarvo {

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

    // Opens a picture: all three display controls take it (the frames their
    // ready-made images where given), each is centred, the window it was opened
    // from (the main window is hidden in either case) is kept for the return,
    // and the view shows.
    void open(const pictures::Picture& picture, ReturnTo back, const QImage& wide = {},
              const QImage& tall = {});
    ReturnTo returnTo() const { return returnTo_; }
    // The slide show's picture: into the picture box alone, centred.
    void showSlide(const pictures::Picture& picture);
    // The slide show's view: the picture box shown, the window shown.
    void showSlides();
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

    ReturnTo returnTo_ = ReturnTo::Main;
};

}  // namespace plenarvo
