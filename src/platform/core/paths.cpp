#include "platform/core/paths.h"

#include <QDir>
#include <QStandardPaths>

namespace plenarvo::platform {

QString settingsFilePath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("plenarvo/default.dat"));
}

QString fallbackFolder() {
    return QDir::homePath();
}

}  // namespace plenarvo::platform
