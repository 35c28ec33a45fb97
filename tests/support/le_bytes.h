#pragma once

#include <QByteArray>

#include <initializer_list>

// Appends values to hand-built files, least significant byte first.
inline QByteArray& le16(QByteArray& b, std::initializer_list<qint64> values) {
    for (const qint64 v : values) {
        b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    }
    return b;
}
inline QByteArray& le32(QByteArray& b, std::initializer_list<qint64> values) {
    for (const qint64 v : values) {
        le16(b, {v & 0xFFFF, (v >> 16) & 0xFFFF});
    }
    return b;
}
