#include "platform/qt/qt_system.h"

#include <QProcess>
#include <QStandardPaths>

namespace plenarvo::platform {

namespace {
const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
}

SystemRegistry::SystemRegistry(QStringList searchPaths) : searchPaths_(std::move(searchPaths)) {}

QStringList SystemRegistry::systemInformationPrograms() {
    return {QStringLiteral("hardinfo"), QStringLiteral("hardinfo2"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("kinfocenter"),
            QStringLiteral("lshw-gtk")};
}

long SystemRegistry::openKey(std::uint32_t root, const QString& subKey, std::uint32_t access,
                             RegistryKey* key) {
    if (root == kHkeyLocalMachine && subKey.compare(kMsinfoKey, Qt::CaseInsensitive) == 0) {
        for (const QString& program : systemInformationPrograms()) {
            const QString found = QStandardPaths::findExecutable(program, searchPaths_);
            if (!found.isEmpty()) {
                setString(kHkeyLocalMachine, kMsinfoKey, QStringLiteral("PATH"), found);
                return MemoryRegistry::openKey(root, subKey, access, key);
            }
        }
        return kErrorFileNotFound;
    }
    return MemoryRegistry::openKey(root, subKey, access, key);
}

bool QtProgramStarter::start(const QString& path) {
    return !path.isEmpty() && QProcess::startDetached(path, {});
}

}  // namespace plenarvo::platform
