#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace plenarvo {

// Names the program and its version for everything that shows them: the
// command line's answers, the About box and the splash screen.
void nameApplication();

// What the command line asks of one run of the program.
struct CommandLine {
    // Set when the run ends at once with this exit code and opens no window.
    std::optional<int> exitCode;
    // A picture file or a folder to open at start-up; empty for none.
    QString open;
    QString output;  // for standard output
    QString errors;  // for standard error, each message on a line of its own
};

// Reads the program's arguments, the program's own path first. Qt's own options
// (-platform, -style, ...) are let through for the application object.
CommandLine readCommandLine(const QStringList& arguments);

}  // namespace plenarvo
