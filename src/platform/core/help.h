#pragma once

#include <QString>

class QWidget;

namespace plenarvo::platform {

// Help viewer commands.
inline constexpr unsigned kHelpContents = 3;  // show the contents topic

// The platform's help viewer. The file is named without a folder; the viewer's
// own search rules find it, and a file it cannot find is its own to report.
class Help {
public:
    virtual ~Help() = default;
    virtual void open(QWidget* owner, const QString& helpFile, unsigned command, quintptr data) = 0;
};

}  // namespace plenarvo::platform
