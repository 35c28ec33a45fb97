#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QUrl>

namespace plenarvo::pictures {

// The system stores a file name as bytes; the program holds it as text. A name
// in valid UTF-8 is simply that text. In a name that is not (a card written by
// an old camera or another system), each byte that does not decode is held as
// the lone surrogate U+DC80 + (byte - 0x80), which no decoded name contains, so
// every name leads back to its own bytes and never to another file's. Qt's file
// classes cannot reach such a name; it is opened through RegularFile.
QString fileNameFromBytes(QByteArrayView bytes);
QByteArray fileNameBytes(QStringView name);

// Whether the name holds bytes that did not decode.
bool holdsUndecodedBytes(QStringView name);

// The name as shown to the user: each byte that did not decode as U+FFFD.
QString shownFileName(QStringView name);

// What the name leads to, links followed.
enum class FileKind { Missing, Regular, Folder, Other };
FileKind fileKind(const QString& path);

// The local path of a file: URI ("file:///photos/bad%FFbyte.jpg"), its bytes
// kept; empty for any other URI, or one naming another computer.
QString localFileOfUrl(const QUrl& url);

}  // namespace plenarvo::pictures
