#include "app/window_trace.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <unistd.h>

namespace plenarvo {

namespace {

Q_LOGGING_CATEGORY(windowsLog, "plenarvo.windows", QtWarningMsg)

QString stateOf(const QWidget* window) {
    if (window->isFullScreen()) {
        return QStringLiteral("full screen");
    }
    if (window->isMaximized()) {
        return QStringLiteral("maximized");
    }
    return window->isMinimized() ? QStringLiteral("minimized") : QStringLiteral("normal");
}

}  // namespace

WindowTrace::WindowTrace(QObject* parent) : QObject(parent) {}

void WindowTrace::installIfEnabled() {
    if (!windowsLog().isDebugEnabled()) {
        return;
    }
    auto* trace = new WindowTrace(qApp);
    if (qEnvironmentVariableIntValue("PLENARVO_STDIN_COMMANDS") == 1) {
#ifdef PLENARVO_TEST_COMMANDS
        auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, trace);
        QObject::connect(notifier, &QSocketNotifier::activated, trace,
                         [trace] { trace->readCommands(); });
#else
        // Commands that drive the windows are for test builds only.
        qCWarning(windowsLog) << "this build takes no commands on standard input "
                                 "(it was built without PLENARVO_TEST_COMMANDS)";
#endif
    }
    qApp->installEventFilter(trace);
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, trace, [](QWindow*) {
        const QWidget* active = QApplication::activeWindow();
        qCDebug(windowsLog).noquote()
            << "active" << (active ? nameOf(active) : QStringLiteral("none"));
    });
}

QString WindowTrace::nameOf(const QWidget* window) {
    if (const auto* box = qobject_cast<const QMessageBox*>(window)) {
        return QStringLiteral("message box \"%1\"").arg(box->text());
    }
    if (!window->objectName().isEmpty()) {
        return window->objectName();
    }
    return QString::fromLatin1(window->metaObject()->className());
}

void WindowTrace::readCommands() {
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        // The input ended: nothing more to read, the trace goes on.
        if (auto* notifier = findChild<QSocketNotifier*>()) {
            notifier->setEnabled(false);
        }
        return;
    }
    pending_ += QString::fromLocal8Bit(buffer, n);
    for (qsizetype end = pending_.indexOf(u'\n'); end >= 0; end = pending_.indexOf(u'\n')) {
        const QString command = pending_.left(end).trimmed();
        pending_.remove(0, end + 1);
        // Run from the event loop, not inside the reader: a command may open a
        // modal box whose own loop goes on reading commands.
        QTimer::singleShot(0, qApp, [command] { run(command); });
    }
}

void WindowTrace::run(const QString& command) {
    qCDebug(windowsLog).noquote() << "command" << command;
    const QString verb = command.section(u' ', 0, 0);
    const QString what = command.section(u' ', 1);
    if (verb == QLatin1String("key")) {
        const QKeySequence sequence = QKeySequence::fromString(what);
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget()
                                                      : QApplication::activeWindow();
        if (sequence.isEmpty() || target == nullptr) {
            qCDebug(windowsLog).noquote() << "nowhere to send" << what;
            return;
        }
        const QKeyCombination key = sequence[0];
        const QString text = key.key() < Qt::Key_Escape ? what.right(1).toLower() : QString();
        QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers(), text);
        QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers(), text);
        QCoreApplication::sendEvent(target, &press);
        QCoreApplication::sendEvent(target, &release);
        return;
    }
    if (verb != QLatin1String("click")) {
        qCDebug(windowsLog).noquote() << "unknown command" << command;
        return;
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible()) {
            continue;
        }
        for (QWidget* control : window->findChildren<QWidget*>()) {
            auto* button = qobject_cast<QAbstractButton*>(control);
            const bool named =
                control->objectName() == what || (button && button->text().remove(u'&') == what);
            if (!named || !control->isVisible()) {
                continue;
            }
            if (button) {
                button->click();
                return;
            }
            const QPointF middle = QRectF(control->rect()).center();
            const QPointF global = control->mapToGlobal(middle);
            QMouseEvent press(QEvent::MouseButtonPress, middle, global, Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QMouseEvent release(QEvent::MouseButtonRelease, middle, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(control, &press);
            QCoreApplication::sendEvent(control, &release);
            return;
        }
    }
    qCDebug(windowsLog).noquote() << "nothing to click:" << what;
}

bool WindowTrace::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide) {
        return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    if (widget == nullptr || !widget->isWindow() || widget->windowType() == Qt::Popup ||
        widget->windowType() == Qt::ToolTip) {
        return false;
    }
    if (type == QEvent::Show) {
        qCDebug(windowsLog).noquote()
            << "shown" << nameOf(widget) << stateOf(widget)
            << QStringLiteral("%1x%2").arg(widget->width()).arg(widget->height());
    } else {
        qCDebug(windowsLog).noquote() << "hidden" << nameOf(widget);
    }
    return false;
}

}  // namespace plenarvo
