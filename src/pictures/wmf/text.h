#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace plenarvo::pictures::wmf {

// Turns the 8-bit string of a text record into Unicode, using the code page of the
// font's character set (or the Symbol font's own layout). `charEnds`, when given,
// receives for every decoded UTF-16 unit the index of the last byte it came from,
// so per-byte advances can be summed per character.
QString decodeText(const QByteArray& bytes, int charset, bool symbolFont,
                   std::vector<int>* charEnds = nullptr);

// True for face names whose glyphs sit at the Symbol font's code points.
bool isSymbolFace(const QString& face);

}  // namespace plenarvo::pictures::wmf
