#pragma once

#include "platform/core/help.h"

#include <QPointer>
#include <QStringList>
#include <QTextBrowser>

namespace plenarvo::platform {

// The program's help viewer: a window of its own that shows the HTML help
// shipped under a help file's name. "Plenarvo Viewer Help.hlp" is looked for as
// "Plenarvo Viewer Help.html" in each of the help folders in turn; a name it
// cannot find is reported in the help window itself.
class QtHelp final : public Help {
public:
    explicit QtHelp(QStringList folders);
    ~QtHelp() override;

    void open(QWidget* owner, const QString& helpFile, unsigned command, quintptr data) override;

    // The HTML file that stands for `helpFile`, or an empty string.
    QString locate(const QString& helpFile) const;
    const QStringList& folders() const { return folders_; }
    // The help window, once it has been opened.
    QTextBrowser* window() const { return browser_; }

    // The folders the program looks in: its own folder, the installed data
    // folders, and `extra` (such as the build tree's help).
    static QStringList standardFolders(const QStringList& extra = {});

private:
    QStringList folders_;
    QPointer<QTextBrowser> browser_;
};

}  // namespace plenarvo::platform
