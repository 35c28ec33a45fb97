#pragma once

#include "full_view/frm_full_view.h"
#include "support/fakes/app_fixture.h"

#include <QStringList>

namespace plenarvo::testing {

// Counts how often the settings file is replaced, from the folder's change
// notifications that have queued up (it never waits).
class FileReplacements {
public:
    explicit FileReplacements(const QString& file);
    ~FileReplacements();
    int count();  // replacements since the last call

private:
    int fd_ = -1;
    QByteArray name_;
};

// The program past its splash phase on a folder of pictures, each of its own
// width, so that the picture on show tells its file.
class Slideshow : public AppFixture {
protected:
    // Starts with a folder holding these files (pictures 10 + 10*i pixels wide,
    // names with "junk" written as junk) opened in the main window.
    void startIn(const QStringList& names);
    FrmFullView& view() { return forms->fullView(); }
    bool viewLoaded() const { return forms->isLoaded(Window::FullView); }
    // The file whose picture the full view's picture box holds, "" for none.
    QString onView();
    // The file on show in the preview, by its picture (not by the label).
    QString inPreview();
    // The seven flag lines of the settings file as read back from disk.
    QStringList flags() const;
    void check();                           // clicks chkTimed
    void typeSeconds(const QString& keys);  // clears the box, then types

    QString pics;
    QStringList names;
};

// The flags of a file that records one scheme and one view order.
QStringList flagsFor(const QString& scheme, bool random);

}  // namespace plenarvo::testing
