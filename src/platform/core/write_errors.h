#pragma once

#include <QString>

namespace plenarvo::platform {

// Why writing a file failed, as one sentence in the program's words, from the
// system's error number (errno); `systemText` is what the system said, used for
// the causes without words of their own. Never "Unknown error".
QString writeFailureMessage(int errorNumber, const QString& systemText = {});

}  // namespace plenarvo::platform
