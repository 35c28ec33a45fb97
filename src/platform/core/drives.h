#pragma once

#include <QString>
#include <QStringList>

namespace plenarvo::platform {

// The drives of the drive list: the mounted volumes, the root "/" first.
struct Drive {
    QString root;   // the folder the drive opens at, e.g. "/" or "/media/usb"
    QString label;  // what the list shows, "path [label]"
};

class Drives {
public:
    virtual ~Drives() = default;
    virtual QList<Drive> list() = 0;
};

}  // namespace plenarvo::platform
