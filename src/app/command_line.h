#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace plenarvo {

// Names the program and its version for everything that shows them: the
// command line's answers, the About box and the splash screen.
void nameApplication();

// Opens /dev/null on whichever of standard input, output and error is closed.
// Otherwise the first files and sockets the program opens (its connection to the
// display among them) would take those descriptors, and what reads or writes the
// standard streams would read or write them.
void guardStandardStreams();

// What the command line asks of one run of the program.
struct CommandLine {
    // Set when the run ends at once with this exit code and opens no window.
    std::optional<int> exitCode;
    // A picture file or a folder to open at start-up; empty for none.
    QString open;
    QString output;  // for standard output
    QString errors;  // for standard error, each message on a line of its own
};

// Reads the program's arguments, the program's own path first, decoded as file
// names are (fileNameFromBytes), so that a name that is not valid UTF-8 keeps
// its bytes. Qt's own
// options (-platform, -style, ...) are let through for the application object.
// A file: URI opens its local file.
CommandLine readCommandLine(const QStringList& arguments);

}  // namespace plenarvo
