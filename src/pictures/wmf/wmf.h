#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace plenarvo::pictures::wmf {

// True when the bytes start like a Windows Metafile (placeable or plain).
bool looksLikeMetafile(const QByteArray& data);

// The natural size in pixels at 96 pixels to the inch, or nothing (and *error set)
// when the header is damaged.
std::optional<QSize> naturalSize(const QByteArray& data, QString* error = nullptr);

struct PlayStats;

// Renders the metafile straight at `target` pixels (stretched to exactly that size)
// on a transparent background. A null image and *error set when the file is damaged.
// Smaller than its natural size, it is drawn a few times larger and shrunk, so that
// edges come out smooth. `stats`, when given, receives what the drawing cost.
QImage render(const QByteArray& data, QSize target, QString* error = nullptr,
              PlayStats* stats = nullptr);

}  // namespace plenarvo::pictures::wmf
