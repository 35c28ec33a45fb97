#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>
#include <memory>

namespace plenarvo::pictures {

// The kinds of picture the program opens. The kind comes from the file's content,
// never from its name.
enum class Format { Unknown, Bmp, Ico, Gif, Jpeg, Wmf };

// The colours a decoded picture comes in: those the program shows pictures in
// (the display's, see colour.h), or sRGB, for what leaves the program (saved
// pictures, prints, shared thumbnails).
enum class Colours { Shown, Srgb };

// Finds the format from the first bytes of a file.
Format sniffFormat(const QByteArray& head);

// A picture as read once from a file: its bytes, its format and its natural size
// (the size it shows at, with a JPEG's orientation applied and a metafile's at
// 96 pixels to the inch). Decoding happens on demand, at full size or straight
// at a target size, and the last results are kept. A colour profile that comes
// with the file is honoured: the decoded images are in the shown colours unless
// asked otherwise.
//
// A Picture is an immutable value that is cheap to copy; copies share the bytes
// and the decoded images. All const members may be called from any thread.
class Picture {
public:
    Picture() = default;  // the empty picture

    // Reads the file and checks its header. On failure returns an empty picture
    // and sets *error to a short sentence in the program's words.
    static Picture fromFile(const QString& path, QString* error = nullptr);
    static Picture fromData(const QByteArray& bytes, QString* error = nullptr);
    // A picture made by the program itself (artwork); it saves as a bitmap.
    static Picture fromImage(const QImage& image);

    bool isNull() const { return !d_; }
    Format format() const;            // Unknown for artwork and the empty picture
    QSize size() const;               // natural size in pixels
    const QByteArray& bytes() const;  // the file's bytes as read (empty for artwork)

    // The whole picture at its natural size. A null image on failure.
    QImage image(QString* error = nullptr) const;
    // The whole picture in sRGB, as it is printed (decoded again, and not kept,
    // when the shown colours are not sRGB).
    QImage srgbImage(QString* error = nullptr) const;
    // The picture decoded straight at `target` (stretched to exactly that size,
    // proportions not kept), using the decoder's scaled decoding where it has one.
    QImage scaled(QSize target, QString* error = nullptr, Colours colours = Colours::Shown) const;

    // The bytes that "Save As" writes: a bitmap, icon or metafile in its own
    // format (its original bytes); a GIF, a JPEG or artwork as BMP data in sRGB.
    QByteArray saveData(QString* error = nullptr) const;

    friend bool operator==(const Picture& a, const Picture& b) { return a.d_ == b.d_; }

private:
    struct Data;
    std::shared_ptr<const Data> d_;
};

// Stateless decoding for worker threads: the same rules as Picture, in the shown
// colours, without keeping anything. Returns a null image and sets *error on
// failure. When `cancel` is given and becomes true, the decode stops at its next
// row or record and fails.
QImage decodeScaled(const QString& path, QSize target, QString* error = nullptr,
                    const std::atomic<bool>* cancel = nullptr);

// The most pixels a picture may have: enough for 200-megapixel photos.
inline constexpr qint64 kMaxPixels = 220'000'000;

}  // namespace plenarvo::pictures
