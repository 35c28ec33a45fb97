#pragma once

#include "pictures/picture.h"

#include <QObject>

#include <optional>

namespace plenarvo {

class DecodeQueue;

// A picture of the slide show as the show step needs it: read from its file,
// decoded whole for the full-screen view's picture box, and decoded at the
// preview's size for the preview.
struct DecodedSlide {
    QString path;
    QSize previewSize;
    pictures::Picture picture;
    QImage preview;
    QString error;  // why the file could not be shown, when it could not

    bool ok() const { return !preview.isNull(); }
};

// Reads the slide show's next picture ahead on a worker thread while the current
// one is on show, so that a tick finds it decoded. It holds at most one picture,
// the next; the current one is held by the controls that show it.
//
// The decode runs on a DecodeQueue of one worker, whose queued call brings the
// result over to the user-interface thread. A tick gets the same picture whether
// or not that call has arrived: take() waits for a decode still under way for the
// same file, and answers nothing for any other file, so that the caller decodes
// that one itself.
class SlideAhead final : public QObject {
    Q_OBJECT
public:
    explicit SlideAhead(QObject* parent = nullptr);
    // A decode under way is dropped without waiting for it.
    ~SlideAhead() override;

    // Switches reading ahead on or off for the whole program (the benchmark
    // compares both). On by default.
    static void setEnabled(bool on);
    static bool enabled();

    // Starts reading `path` for a preview of `previewSize`, and drops whatever was
    // read ahead for another file. Asking again for the same file does nothing.
    void request(const QString& path, QSize previewSize);
    // The picture read ahead for this file and size, ready or waited for; nothing
    // when none was asked for. Either way nothing is held afterwards.
    std::optional<DecodedSlide> take(const QString& path, QSize previewSize);
    // Drops whatever was read ahead.
    void drop();
    // Waits for a decode under way, if any; its result still comes over by the
    // queued call.
    void finishDecoding();
    // Whether a picture is held or being decoded.
    bool holding() const { return ready_.has_value() || inFlight_.has_value(); }
    // Whether the queued call has brought the picture over.
    bool delivered() const { return ready_.has_value(); }

    // Reads and decodes a picture on the calling thread.
    static DecodedSlide decode(const QString& path, QSize previewSize);

    // How many take() calls found their picture read ahead, and how many did not,
    // since the program started.
    struct Counts {
        int hits = 0;
        int misses = 0;
    };
    static Counts counts();

private:
    struct Wanted {
        QString path;
        QSize previewSize;
        bool is(const QString& p, QSize s) const { return path == p && previewSize == s; }
    };

    // One worker: a newer request waits for the decode under way, so that no
    // more than one picture beyond the one on show is ever in memory.
    DecodeQueue* queue_;
    std::optional<Wanted> inFlight_;
    std::optional<DecodedSlide> ready_;
};

}  // namespace plenarvo
