#include "platform/core/write_errors.h"

#include <cerrno>
#include <cstring>

namespace plenarvo::platform {

QString writeFailureMessage(int errorNumber, const QString& systemText) {
    switch (errorNumber) {
        case ENOSPC:
            return QStringLiteral("The disk is full.");
        case EDQUOT:
            return QStringLiteral("Your share of the disk is used up.");
        case EROFS:
            return QStringLiteral("The disk can only be read, not written to.");
        case EACCES:
        case EPERM:
            return QStringLiteral("Access to the folder or the file was denied.");
        case ENAMETOOLONG:
            return QStringLiteral("The file name is too long.");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("The folder does not exist.");
        case EISDIR:
            return QStringLiteral("A folder of that name is in the way.");
        case EFBIG:
            return QStringLiteral("The file would be larger than the disk allows.");
        case EIO:
            return QStringLiteral("The disk could not be written to.");
        default:
            break;
    }
    const QString said =
        errorNumber != 0 ? QString::fromLocal8Bit(std::strerror(errorNumber)) : systemText;
    if (said.isEmpty() || said.contains(QLatin1String("Unknown error"), Qt::CaseInsensitive)) {
        return QStringLiteral("The system did not say why.");
    }
    return QStringLiteral("The system reported: %1.").arg(said);
}

}  // namespace plenarvo::platform
