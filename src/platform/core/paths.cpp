#include "platform/core/paths.h"

#include <QDir>
#include <QStandardPaths>
#include <QSysInfo>

namespace plenarvo::platform {

QString settingsFilePath() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(base).filePath(QStringLiteral("plenarvo/default.dat"));
}

QString fallbackFolder() {
    return QDir::homePath();
}

QString systemName() {
#if defined(Q_OS_WIN)
    return QStringLiteral("Windows 95 or later");
#elif defined(Q_OS_LINUX)
    return QStringLiteral("Linux");
#elif defined(Q_OS_MACOS)
    return QStringLiteral("macOS");
#else
    return QSysInfo::kernelType();
#endif
}

}  // namespace plenarvo::platform
