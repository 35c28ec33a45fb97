#pragma once

// The decoding rules shared by Picture and decodeScaled: how a file's bytes are
// recognised, how their header is checked and how they are decoded, at full size
// or straight at a target size. Internal to the picture library.

#include "pictures/picture.h"

#include <QByteArray>
#include <QColorSpace>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

class QImageReader;

namespace plenarvo::pictures::detail {

// The sentences the user sees. Qt's own error text only goes to the log.
QString notAPictureMessage();
QString damagedMessage();
QString unreadableMessage();
QString tooLargeMessage();

// The largest file the program reads at all.
inline constexpr qint64 kMaxFileBytes = 512LL * 1024 * 1024;

// What the header of a file says, checked.
struct Header {
    Format format = Format::Unknown;
    QSize size;              // natural size: orientation applied, metafiles at 96 dpi
    bool swapsAxes = false;  // the stored picture is turned a quarter turn when shown
    int entry = 0;           // the icon entry shown (the largest)
    QImage decoded;          // set when checking the header already decoded the picture
    QColorSpace colours;     // the file's own profile; invalid for sRGB (see colour.h)
};

// Reads a whole regular file, refusing anything else (folders, pipes, devices,
// sockets, missing files) and files too large.
std::optional<QByteArray> readFile(const QString& path, QString* error);

// Checks the header of the bytes; nothing when they are not a picture that can be
// shown, or claim a size that is zero or larger than kMaxPixels.
std::optional<Header> readHeader(const QByteArray& bytes, QString* error);

// Decodes the picture at `target` pixels (stretched to exactly that size), or at its
// natural size when `target` is not valid, with its colours converted from
// `header.colours` to `colours` once it has that size. A null image on failure.
QImage decode(const QByteArray& bytes, const Header& header, QSize target, QString* error,
              const QColorSpace& colours);

// Sets up a reader over `device` with the program's rules: the format forced,
// orientation applied and, where the decoder can scale while decoding, the size
// wanted (given in shown orientation). Qt's allocation limit is the process's own,
// set once (see cost.h).
void configureReader(QImageReader& reader, Format format, QSize scaledTarget, bool swapsAxes);

// The most icon entries tried, largest first, before the icon counts as damaged.
inline constexpr int kMaxIconTries = 3;

}  // namespace plenarvo::pictures::detail
