#include "text.h"

#include "records.h"

#include <QStringDecoder>

#include <array>

namespace plenarvo::pictures::wmf {

namespace {

const char* codePageFor(int charset) {
    switch (charset) {
        case 128:
            return "Shift_JIS";
        case 129:
            return "windows-949";
        case 134:
            return "GBK";
        case 136:
            return "Big5";
        case 161:
            return "windows-1253";
        case 162:
            return "windows-1254";
        case 163:
            return "windows-1258";
        case 177:
            return "windows-1255";
        case 178:
            return "windows-1256";
        case 186:
            return "windows-1257";
        case 204:
            return "windows-1251";
        case 222:
            return "windows-874";
        case 238:
            return "windows-1250";
        default:
            return "windows-1252";
    }
}

// The upper half of code page 1252, for when the system has no converter for it.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

char16_t symbolToUnicode(uint8_t c) {
    static constexpr char16_t upper[26] = {
        0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399, 0x3D1, 0x39A, 0x39B, 0x39C,
        0x39D, 0x39F, 0x3A0, 0x398, 0x3A1, 0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
    static constexpr char16_t lower[26] = {
        0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9, 0x3D5, 0x3BA, 0x3BB, 0x3BC,
        0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1, 0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
    // Pieces of tall brackets, braces and integrals.
    static constexpr char16_t pieces[] = {
        0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,  // E6-EF
        0x0020, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4,  // F0-F9
        0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD};                                         // FA-FE
    if (c >= 0xE6 && c <= 0xFE) {
        return pieces[c - 0xE6];
    }
    if (c >= 'A' && c <= 'Z') {
        return upper[c - 'A'];
    }
    if (c >= 'a' && c <= 'z') {
        return lower[c - 'a'];
    }
    switch (c) {
        case 0x22:
            return 0x2200;
        case 0x24:
            return 0x2203;
        case 0x27:
            return 0x220B;
        case 0x2A:
            return 0x2217;
        case 0x2D:
            return 0x2212;
        case 0x40:
            return 0x2245;
        case 0x5C:
            return 0x2234;
        case 0x5E:
            return 0x22A5;
        case 0xA2:
            return 0x2032;
        case 0xA3:
            return 0x2264;
        case 0xA5:
            return 0x221E;
        case 0xAC:
            return 0x2190;
        case 0xAD:
            return 0x2191;
        case 0xAE:
            return 0x2192;
        case 0xAF:
            return 0x2193;
        case 0xB0:
            return 0x00B0;
        case 0xB1:
            return 0x00B1;
        case 0xB2:
            return 0x2033;
        case 0xB3:
            return 0x2265;
        case 0xB4:
            return 0x00D7;
        case 0xB6:
            return 0x2202;
        case 0xB7:
            return 0x2022;
        case 0xB8:
            return 0x00F7;
        case 0xB9:
            return 0x2260;
        case 0xBA:
            return 0x2261;
        case 0xBB:
            return 0x2248;
        case 0xBC:
            return 0x2026;
        case 0xC5:
            return 0x2295;
        case 0xC6:
            return 0x2205;
        case 0xC7:
            return 0x2229;
        case 0xC8:
            return 0x222A;
        case 0xCE:
            return 0x2208;
        case 0xCF:
            return 0x2209;
        case 0xD1:
            return 0x2207;
        case 0xD5:
            return 0x220F;
        case 0xD6:
            return 0x221A;
        case 0xD7:
            return 0x22C5;
        case 0xE1:
            return 0x2329;
        case 0xE5:
            return 0x2211;
        default:
            return c;
    }
}

}  // namespace

bool isSymbolFace(const QString& face) {
    return face.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

QString decodeText(const QByteArray& bytes, int charset, bool symbolFont,
                   std::vector<int>* charEnds) {
    QString out;
    auto note = [&](int byteIndex, qsizetype before) {
        if (charEnds) {
            for (qsizetype i = before; i < out.size(); ++i) {
                charEnds->push_back(byteIndex);
            }
        }
    };
    if (symbolFont || charset == kSymbolCharset) {
        for (int i = 0; i < bytes.size(); ++i) {
            out.append(QChar(symbolToUnicode(static_cast<uint8_t>(bytes[i]))));
            note(i, out.size() - 1);
        }
        return out;
    }
    QStringDecoder decoder(codePageFor(charset));
    if (!decoder.isValid()) {
        for (int i = 0; i < bytes.size(); ++i) {
            const auto c = static_cast<uint8_t>(bytes[i]);
            out.append(QChar(c >= 0x80 && c < 0xA0 ? kCp1252High[c - 0x80] : char16_t(c)));
            note(i, out.size() - 1);
        }
        return out;
    }
    // One byte at a time, so that every character knows the byte it ends on.
    for (int i = 0; i < bytes.size(); ++i) {
        const qsizetype before = out.size();
        out.append(decoder.decode(QByteArrayView(bytes.constData() + i, 1)));
        note(i, before);
    }
    return out;
}

}  // namespace plenarvo::pictures::wmf
