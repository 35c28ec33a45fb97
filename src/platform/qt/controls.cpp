#include "platform/qt/controls.h"

#include "decoding/decode_queue.h"
#include "platform/core/twips.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>
#include <optional>

namespace plenarvo::controls {

QColor fromBgr(quint32 bgr) {
    if (bgr & 0x80000000U) {
        // System colours: only the button face is used by the program.
        return QApplication::palette().color(QPalette::Button);
    }
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

QFont makeFont(const QString& family, double points, bool bold, bool italic,
               QFont::StyleHint hint) {
    // Stand-ins with about the same widths, so that captions fit their controls.
    static const QList<std::pair<QString, QStringList>> standIns = {
        {QStringLiteral("MS Sans Serif"),
         {QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")}},
        {QStringLiteral("Microsoft Sans Serif"),
         {QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")}},
        {QStringLiteral("Arial"),
         {QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans")}},
        {QStringLiteral("Georgia"),
         {QStringLiteral("Liberation Serif"), QStringLiteral("Nimbus Roman")}},
    };
    QFont font;
    QStringList candidates{family};
    for (const auto& [name, list] : standIns) {
        if (name == family) {
            candidates += list;
        }
    }
    // Last, a plain family of the same style: never leave the choice to the font
    // matcher, which may pick a symbol font for a decorative name.
    switch (hint) {
        case QFont::Cursive:
            candidates << QStringLiteral("Z003") << QStringLiteral("URW Chancery L");
            break;
        case QFont::Fantasy:
            candidates << QStringLiteral("URW Gothic") << QStringLiteral("DejaVu Sans");
            break;
        case QFont::Serif:
            candidates << QStringLiteral("Liberation Serif") << QStringLiteral("DejaVu Serif");
            break;
        default:
            break;
    }
    candidates << QStringLiteral("Liberation Sans") << QStringLiteral("DejaVu Sans");
    const QStringList installed = QFontDatabase::families();
    auto found = std::find_if(candidates.begin(), candidates.end(),
                              [&](const QString& c) { return installed.contains(c); });
    if (found != candidates.end()) {
        font.setFamily(*found);
    } else {
        font.setStyleHint(hint);
        font.setFamily(font.defaultFamily());
    }
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void setBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    // Text boxes fill with the base colour; a window's children must not inherit it.
    if (qobject_cast<QLineEdit*>(widget)) {
        palette.setColor(QPalette::Base, colour);
    }
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
    widget->update();
}

QColor background(const QWidget* widget) {
    return widget->palette().color(QPalette::Window);
}

void place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twips::rect(left, top, width, height));
}

Shape::Shape(QWidget* parent, const QColor& fill, const QColor& outline)
    : QWidget(parent), fill_(fill), outline_(outline) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Shape::setFill(const QColor& c) {
    fill_ = c;
    update();
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fill_);
    QPen pen(outline_);
    pen.setWidth(2);
    p.setPen(pen);
    p.drawRect(rect().adjusted(1, 1, -1, -1));
}

Line::Line(QWidget* parent, const QColor& colour) : QWidget(parent), colour_(colour) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Line::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), colour_);
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick) {
        onClick();
    }
}

Image::Image(QWidget* parent) : QWidget(parent) {}

Image::~Image() = default;

QSize Image::pixelSize() const {
    const qreal ratio = devicePixelRatioF();
    return (QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1));
}

void Image::setPicture(const pictures::Picture& picture, const QImage& ready) {
    picture_ = picture;
    shown_ = ready;
    asked_ = {};
    if (queue_) {
        queue_->reset();  // a decode of the picture before is not wanted any more
    }
    if (isVisible()) {
        askToFit();
    }
    update();
}

void Image::clear() {
    setPicture({});
}

void Image::askToFit() {
    const QSize want = pixelSize();
    if (picture_.isNull() || shown_.size() == want || asked_ == want) {
        return;
    }
    if (!queue_) {
        queue_ = new DecodeQueue(1, this);
    }
    queue_->reset();
    asked_ = want;
    queue_->submit(
        [picture = picture_, want](const std::atomic<bool>&) {
            Decoded decoded;
            decoded.image = picture.scaled(want, &decoded.error);
            return decoded;
        },
        [this](quint64, const Decoded& decoded) {
            asked_ = {};
            if (decoded.image.isNull()) {
                return;  // it keeps what it has
            }
            shown_ = decoded.image;
            update();
            Q_EMIT this->decoded();
        });
}

void Image::finishDecoding() {
    if (queue_) {
        queue_->finish();
    }
}

void Image::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isVisible()) {
        askToFit();
    }
}

void Image::paintEvent(QPaintEvent*) {
    // A control shown after it was resized asks now; asking is not decoding.
    askToFit();
    if (picture_.isNull() || shown_.isNull()) {
        return;
    }
    QPainter p(this);
    p.drawImage(rect(), shown_);
}

void Image::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick) {
        onClick();
    }
}

PictureBox::PictureBox(QWidget* parent, bool autoSize) : QWidget(parent), autoSize_(autoSize) {
    setAutoFillBackground(true);
}

void PictureBox::setPicture(const pictures::Picture& picture, const QImage& drawn) {
    picture_ = picture;
    image_ = picture.isNull() ? QImage() : drawn.isNull() ? picture.image() : drawn;
    if (autoSize_ && !picture.isNull()) {
        resize(picture.size());
    }
    update();
}

void PictureBox::holdPicture(const pictures::Picture& picture) {
    picture_ = picture;
    image_ = {};
    if (autoSize_ && !picture.isNull()) {
        resize(picture.size());
    }
    update();
}

void PictureBox::clear() {
    picture_ = {};
    image_ = {};
    update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (image_.isNull()) {
        return;
    }
    QPainter p(this);
    const QRect target(QPoint(0, 0), picture_.size());
    p.drawImage(target, image_);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick) {
        onClick();
    }
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    if (onKeyPress && !event->text().isEmpty()) {
        onKeyPress(event->text().at(0).unicode());
        return;
    }
    QWidget::keyPressEvent(event);
}

void TextBox::mousePressEvent(QMouseEvent* event) {
    QLineEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && onClick) {
        onClick();
    }
}

bool TextBox::allowed(const QString& inserted) const {
    return !onOtherEdit || onOtherEdit(inserted);
}

void TextBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste)) {
        if (!allowed(QGuiApplication::clipboard()->text())) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    static constexpr QKeySequence::StandardKey takeOut[] = {
        QKeySequence::Cut,
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::Delete,
        QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine,
    };
    for (const QKeySequence::StandardKey key : takeOut) {
        if (event->matches(key) && !isReadOnly()) {
            if (!allowed(QString())) {
                event->accept();
                return;
            }
            QLineEdit::keyPressEvent(event);
            return;
        }
    }
    const QString text = event->text();
    const bool isCharacter = !text.isEmpty() && (text.at(0).isPrint() || text.at(0) == u'\b');
    if (onKeyPress && isCharacter) {
        int code = text.at(0).unicode();
        onKeyPress(code);
        if (code == 0) {
            return;  // refused
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TextBox::mouseReleaseEvent(QMouseEvent* event) {
    // The middle button pastes the selection where the system has one.
    const QClipboard* clipboard = QGuiApplication::clipboard();
    if (event->button() == Qt::MiddleButton && clipboard->supportsSelection() && !isReadOnly() &&
        !allowed(clipboard->text(QClipboard::Selection))) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

QMenu* TextBox::createEditMenu() {
    auto* menu = new QMenu(this);
    const bool editable = !isReadOnly();
    const QString clip = QGuiApplication::clipboard()->text();
    auto add = [&](const QString& caption, QKeySequence::StandardKey key, bool enabled,
                   std::function<void()> edit, std::optional<QString> inserted) {
        QAction* action = menu->addAction(caption);
        action->setShortcut(key);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this,
                [this, edit = std::move(edit), inserted = std::move(inserted)] {
                    if (!inserted || allowed(*inserted)) {
                        edit();
                    }
                });
    };
    add(
        tr("&Undo"), QKeySequence::Undo, editable && isUndoAvailable(), [this] { undo(); },
        QString());
    add(
        tr("&Redo"), QKeySequence::Redo, editable && isRedoAvailable(), [this] { redo(); },
        QString());
    menu->addSeparator();
    add(
        tr("Cu&t"), QKeySequence::Cut, editable && hasSelectedText(), [this] { cut(); }, QString());
    add(
        tr("&Copy"), QKeySequence::Copy, hasSelectedText(), [this] { copy(); }, std::nullopt);
    add(
        tr("&Paste"), QKeySequence::Paste, editable && !clip.isEmpty(), [this] { paste(); }, clip);
    add(
        tr("Delete"), QKeySequence::UnknownKey, editable && hasSelectedText(), [this] { del(); },
        QString());
    menu->addSeparator();
    add(
        tr("Select All"), QKeySequence::SelectAll, !text().isEmpty(), [this] { selectAll(); },
        std::nullopt);
    return menu;
}

void TextBox::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createEditMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TextBox::inputMethodEvent(QInputMethodEvent* event) {
    if (!event->commitString().isEmpty() && !allowed(event->commitString())) {
        event->accept();
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

Button::Button(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setAutoDefault(false);
}

void Button::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    p.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(area.adjusted(1, 0, -1, 0),
               Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, text());
}

CheckBox::CheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {
    connect(this, &QCheckBox::toggled, this, [this] {
        if (onClick) {
            onClick();
        }
    });
}

MenuItem::MenuItem(QAction* action, bool checkable) : QObject(action), action_(action) {
    action_->setCheckable(checkable);
    connect(action_, &QAction::triggered, this, [this](bool nowChecked) {
        if (action_->isCheckable()) {
            // The check mark moves only when the program says so.
            action_->setChecked(!nowChecked);
        }
        if (onClick) {
            onClick();
        }
    });
}

void CheckBox::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
    option.rect = QRect(QPoint(2, (height() - indicator.height()) / 2), indicator.size());
    p.drawPrimitive(QStyle::PE_IndicatorCheckBox, option);
    const QRect area(option.rect.right() + 6, 0, width() - option.rect.right() - 8, height());
    const int flags = Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap | Qt::TextShowMnemonic;
    // A stand-in font with more leading than the one the box was sized for may
    // need one size less for the wrapped caption to fit, never more than a few.
    QFont fitted = font();
    const double smallest = fitted.pointSizeF() * 0.8;
    while (fitted.pointSizeF() > smallest &&
           QFontMetrics(fitted).boundingRect(area, flags, text()).height() > area.height()) {
        fitted.setPointSizeF(fitted.pointSizeF() - 0.5);
    }
    p.setFont(fitted);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(area, flags, text());
}

bool CheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void MenuItem::click() {
    if (onClick) {
        onClick();
    }
}

}  // namespace plenarvo::controls
