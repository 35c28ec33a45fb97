#include "pictures/file_names.h"

#include <QSysInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plenarvo::pictures {

namespace {

constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

bool isEscape(char16_t c) {
    return c >= kFirstEscape && c <= kLastEscape;
}

// The length of the valid UTF-8 sequence at `at`, or 0 when its first byte does
// not start one (overlong forms, surrogates and values past U+10FFFF do not).
qsizetype sequenceAt(QByteArrayView bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;  // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > bytes.size() || byte(at + 1) < low || byte(at + 1) > high) {
        return 0;
    }
    for (qsizetype i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

}  // namespace

QString fileNameFromBytes(QByteArrayView bytes) {
    QString name;
    name.reserve(bytes.size());
    qsizetype run = 0;  // the start of the valid bytes not yet added
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = sequenceAt(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        name += QString::fromUtf8(bytes.sliced(run, at - run));
        name += QChar(
            static_cast<char16_t>(kFirstEscape - 0x80 + static_cast<unsigned char>(bytes[at])));
        run = ++at;
    }
    name += QString::fromUtf8(bytes.sliced(run));
    return name;
}

QByteArray fileNameBytes(QStringView name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;  // a pair: text
            continue;
        }
        if (isEscape(c)) {
            bytes += name.sliced(run, i - run).toUtf8();
            bytes += static_cast<char>(c - kFirstEscape + 0x80);
            run = i + 1;
        }
    }
    bytes += name.sliced(run).toUtf8();
    return bytes;
}

bool holdsUndecodedBytes(QStringView name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            ++i;
        } else if (isEscape(c)) {
            return true;
        }
    }
    return false;
}

QString shownFileName(QStringView name) {
    QString shown = name.toString();
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const char16_t c = shown[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < shown.size() && shown[i + 1].isLowSurrogate()) {
            ++i;
        } else if (isEscape(c)) {
            shown[i] = QChar::ReplacementCharacter;
        }
    }
    return shown;
}

FileKind fileKind(const QString& path) {
    struct stat st {};
    if (::stat(fileNameBytes(path).constData(), &st) != 0) {
        return FileKind::Missing;
    }
    if (S_ISREG(st.st_mode)) {
        return FileKind::Regular;
    }
    return S_ISDIR(st.st_mode) ? FileKind::Folder : FileKind::Other;
}

QString localFileOfUrl(const QUrl& url) {
    const QString host = url.host();
    if (!url.isLocalFile() ||
        (!host.isEmpty() && host != QLatin1String("localhost") &&
         host.compare(QSysInfo::machineHostName(), Qt::CaseInsensitive) != 0)) {
        return {};
    }
    return fileNameFromBytes(
        QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

}  // namespace plenarvo::pictures
