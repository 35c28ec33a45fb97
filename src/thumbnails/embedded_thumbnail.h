#pragma once

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>

#include <optional>

class QIODevice;

namespace plenarvo {

// What the start of a JPEG file says, read marker by marker up to the frame
// header: the picture's stored size and the small JPEG that
// cameras keep in the EXIF data's second directory (IFD1). Segments other than the
// EXIF one are skipped, not read, so only the head of the file is ever read.
struct JpegHead {
    QSize stored;                // as stored, before the orientation is applied
    QByteArray thumbnail;        // the embedded JPEG's bytes; empty when there is none
    QSize exifPixels;            // the size the EXIF data gives the picture, when it does
    bool colourProfile = false;  // an ICC profile comes with the picture
};

// Nothing when the device does not hold a JPEG whose frame header can be found.
std::optional<JpegHead> readJpegHead(QIODevice& device);

// The thumbnail a camera embedded in the JPEG at `path`, turned as the picture is
// shown (by the orientation the decoder itself reads, so that the cell and the
// preview always agree), when it can stand for the picture in a cell of `cell`
// device pixels: at least that large in both directions, no larger than the
// picture, and of the picture's proportions within 2 % (a 3:2 photo letterboxed
// into a 4:3 thumbnail is not). A null image otherwise, for anything that is not a
// JPEG or whose EXIF data is damaged, and for anything that is not a regular file.
//
// Nor is it used when it may no longer show the picture as the cell would: when
// the EXIF data gives the picture another size than it has (an editor cropped or
// shrank the photo and kept the camera's thumbnail), or when the picture comes
// with a colour profile (editors make the thumbnail in other colours than the
// picture's stored ones, which are what the cell shows).
//
// A thumbnail of the picture's shape that shows something else (an editor
// redacted the photo, or cropped it to the same proportions, and left the old
// thumbnail with the old EXIF size) cannot be told from the right one without
// decoding the picture, which is the cost the thumbnail is there to save. It is
// used; the preview and the full view always show the picture itself.
QImage embeddedThumbnail(const QString& path, QSize cell);

// `image` turned and mirrored as Qt's reader does for `transformation`.
QImage transformedImage(const QImage& image, QImageIOHandler::Transformations transformation);

}  // namespace plenarvo
