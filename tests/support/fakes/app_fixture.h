#pragma once

#include "app/program_windows.h"
#include "main_window/frm_image.h"
#include "support/fakes/fakes.h"
#include "support/files.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <ostream>

// Readable strings in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace plenarvo::testing {

// A double-click as a user makes it: a click, then the second press.
void doubleClick(QWidget* widget, QPoint where);

// The whole program on fakes: a manual clock, recorded message boxes, a settings
// file and picture folders in a temporary folder. Nothing waits on real time.
class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    // Starts the program (the main window's load and the start-up).
    void start();
    FrmImage& main() { return forms->image(); }
    // Lets the clock run; timers fire in order.
    void advance(int ms) { clock.advance(ms); }
    // Runs Qt's pending deferred deletions and posted events.
    void settle();
    // Runs the event loop until done() holds (true) or ten seconds have gone (false):
    // for results that come from a worker thread.
    bool waitUntil(const std::function<bool()>& done);
    // Lets the full view's pictures arrive from its worker, when it waits for them.
    bool viewDecoded();

    // A folder under the temporary folder, created.
    QString folder(const QString& name);
    // Writes a picture file of the given size (format from the extension).
    QString writePicture(const QString& folder, const QString& name, QSize size,
                         QColor colour = Qt::red);
    // Writes the settings file with these lines, each ended by CR LF.
    void writeSettings(const QStringList& lines);
    QByteArray settingsBytes() const;
    // Opens a folder in the main window as the user would.
    void openFolder(const QString& path);
    // Starts the program, lets its splash phase end and opens the folder.
    void startAndOpen(const QString& path) {
        start();
        advance(3000);
        openFolder(path);
    }

    QTemporaryDir temp;
    platform::ManualClock clock;
    FakeMessageBoxes messages;
    FakeDrives drives;
    FakeRandom random;
    FakeDialogs dialogs;
    PdfPrinter printer;  // prints each job to a PDF file in folder("printed")
    FakeHelp help;
    platform::MemoryRegistry registry;  // empty: no system information program
    FakeProgramStarter programs;
    platform::Platform platform;
    std::unique_ptr<ProgramWindows> forms;
    int endCount = 0;
};

}  // namespace plenarvo::testing
