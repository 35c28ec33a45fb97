#pragma once

#include "pictures/picture.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

#include <functional>

namespace plenarvo {
class DecodeQueue;
}

namespace plenarvo::controls {

// A colour as the program stores it: 0x00BBGGRR, or a system colour by index when
// the top bit is set (0x8000000F is the button face colour).
QColor fromBgr(quint32 bgr);

// A font by family name; when the family is not installed the nearest family of
// the same style stands in.
QFont makeFont(const QString& family, double points, bool bold = false, bool italic = false,
               QFont::StyleHint hint = QFont::SansSerif);

// Sets a widget's background colour (and fills it).
void setBackground(QWidget* widget, const QColor& colour);
QColor background(const QWidget* widget);

// Places a widget at a position and size given in twips.
void place(QWidget* widget, int left, int top, int width, int height);

// An opaque filled rectangle, with an outline of a second colour.
class Shape : public QWidget {
    Q_OBJECT
public:
    Shape(QWidget* parent, const QColor& fill, const QColor& outline);
    void setFill(const QColor& c);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor fill_;
    QColor outline_;
};

// A vertical line of a given width.
class Line : public QWidget {
    Q_OBJECT
public:
    Line(QWidget* parent, const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

// A label that can report clicks.
class Label : public QLabel {
    Q_OBJECT
public:
    // Captions and file names show as written, never as formatted text.
    explicit Label(QWidget* parent = nullptr) : QLabel(parent) { setTextFormat(Qt::PlainText); }
    explicit Label(const QString& text, QWidget* parent = nullptr) : QLabel(parent) {
        setTextFormat(Qt::PlainText);
        setText(text);
    }
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// An image control: shows its picture stretched to its own size, decoded at
// that size. Decoding never happens while painting: when the control's size no
// longer fits the image it has, it asks its decode queue for the picture at the
// new size and paints what it has (that image stretched, or nothing) until the
// new one arrives.
class Image : public QWidget {
    Q_OBJECT
public:
    explicit Image(QWidget* parent);
    ~Image() override;
    const pictures::Picture& picture() const { return picture_; }
    // Shows `picture`; `ready` may hold it already decoded at this control's size.
    void setPicture(const pictures::Picture& picture, const QImage& ready = {});
    void clear();
    // What is on the screen now (for checks and for windows that copy it).
    QImage shownImage() const { return shown_; }
    QSize pixelSize() const;  // this control's size in device pixels
    // Whether a decode for the present size is under way.
    bool decoding() const { return !asked_.isEmpty(); }
    // Waits for a decode under way and shows its picture now. For tests and
    // benchmarks; the program itself never waits.
    void finishDecoding();
    std::function<void()> onClick;

Q_SIGNALS:
    // A picture decoded for the control's size has arrived and is shown.
    void decoded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void askToFit();

    pictures::Picture picture_;
    QImage shown_;
    QSize asked_;                   // the size a decode is under way for
    DecodeQueue* queue_ = nullptr;  // made on the first decode
};

// A picture box: a windowed control with a background colour that, with auto
// size on, takes the natural size of its picture and shows it unscaled.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    PictureBox(QWidget* parent, bool autoSize);
    const pictures::Picture& picture() const { return picture_; }
    // `drawn`, when given, is what is painted in the picture's place: the same
    // artwork made at the screen's device pixels, so that it stays sharp there.
    void setPicture(const pictures::Picture& picture, const QImage& drawn = {});
    // Takes `picture` (and, with auto size on, its size) without decoding it: the
    // box shows its background alone until setPicture() brings the image.
    void holdPicture(const pictures::Picture& picture);
    bool hasImage() const { return !image_.isNull(); }
    void clear();
    std::function<void()> onClick;
    std::function<void(int)> onKeyPress;  // the character code of a key

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool autoSize_;
    pictures::Picture picture_;
    QImage image_;
};

// A text box with a tag, click handling, and key handling that may refuse a key.
class TextBox : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    QString tag;
    std::function<void()> onClick;
    // Receives the character code; setting it to 0 refuses the key.
    std::function<void(int&)> onKeyPress;
    // Asked before every edit that is not a typed character: paste, cut, undo,
    // redo and delete from the keyboard, the context menu or the middle mouse
    // button, and text from an input method. Receives the text the edit would
    // put in (empty for one that only takes text out); false refuses it. (Drops
    // are the window's: the boxes take none.)
    std::function<bool(const QString& inserted)> onOtherEdit;
    // The box's context menu, built with every edit going through onOtherEdit.
    QMenu* createEditMenu();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    bool allowed(const QString& inserted) const;
};

// A push button whose caption wraps onto several lines when it is too wide.
class Button : public QPushButton {
    Q_OBJECT
public:
    Button(const QString& caption, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A check box whose value is 0 or 1. Its click handling runs whenever the value
// changes, by the user or by the program, and not when set to the value it has.
class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(const QString& caption, QWidget* parent);
    int value() const { return isChecked() ? 1 : 0; }
    void setValue(int v) { setChecked(v != 0); }
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

// A menu item with a check mark that only the program moves.
class MenuItem : public QObject {
    Q_OBJECT
public:
    MenuItem(QAction* action, bool checkable);
    QAction* action() const { return action_; }
    bool checked() const { return action_->isChecked(); }
    void setChecked(bool on) { action_->setChecked(on); }
    std::function<void()> onClick;
    void click();

private:
    QAction* action_;
};

}  // namespace plenarvo::controls
