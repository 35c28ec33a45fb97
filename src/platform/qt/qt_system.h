#pragma once

#include "platform/core/program_start.h"
#include "platform/core/registry.h"

#include <QStringList>

namespace plenarvo::platform {

// The registry as Linux answers it. The system information entry
// "SOFTWARE\Microsoft\Shared Tools\MSINFO", value "PATH", names the first
// system information program found on the search path; the "Shared Tools
// Location" entry does not exist. The search runs each time the key is opened,
// so a program installed while Plenarvo runs is found.
class SystemRegistry final : public MemoryRegistry {
public:
    // `searchPaths` empty: the PATH of the environment.
    explicit SystemRegistry(QStringList searchPaths = {});

    long openKey(std::uint32_t root, const QString& subKey, std::uint32_t access,
                 RegistryKey* key) override;

    // The programs looked for, in order.
    static QStringList systemInformationPrograms();

private:
    QStringList searchPaths_;
};

// Starts programs detached from this one.
class QtProgramStarter final : public ProgramStarter {
public:
    bool start(const QString& path) override;
};

}  // namespace plenarvo::platform
