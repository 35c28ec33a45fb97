#pragma once

#include <QString>

namespace plenarvo::platform {

// Starts another program by its path, in a normal window that takes the focus.
class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    // False when the program could not be started.
    virtual bool start(const QString& path) = 0;
};

}  // namespace plenarvo::platform
