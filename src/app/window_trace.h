#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace plenarvo {

// A trace of the program's own windows for looking at a run from outside, where
// the window system tells nothing (a Wayland compositor tells its clients nothing
// of each other): each window shown or hidden, with its state and size, and each
// change of the active window, one line each on the "plenarvo.windows" logging
// category. Off unless that category is on (QT_LOGGING_RULES).
//
// For runs where nothing can send input from outside (a headless compositor), a
// program built for testing (the CMake option PLENARVO_TEST_COMMANDS) with
// PLENARVO_STDIN_COMMANDS=1 also reads commands from standard input, a line each:
//   click <caption or object name>   clicks that button, or that control's middle
//   key <key>                        a key press, as QKeySequence names it, to the
//                                    focused control of the active window
class WindowTrace final : public QObject {
    Q_OBJECT
public:
    // Installs the trace on the application when the category is on, and the
    // command reader when asked for.
    static void installIfEnabled();

    // How a window is named in the trace: its object name, or for a message
    // box "message box" and its text.
    static QString nameOf(const QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowTrace(QObject* parent);
    void readCommands();
    static void run(const QString& command);
    QString pending_;  // input read but not yet a whole line
};

}  // namespace plenarvo
