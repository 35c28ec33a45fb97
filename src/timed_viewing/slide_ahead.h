#pragma once

#include "pictures/picture.h"

#include <QObject>

#include <functional>
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
    QImage natural;  // the whole picture, for the picture box
    QString error;   // why the file could not be shown, when it could not

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
    // Nothing is read while reading ahead is off, unless `always`.
    void request(const QString& path, QSize previewSize, bool always = false);
    // The picture read for this file and size, when it has arrived; nothing
    // otherwise. A decode of this very file still under way goes on (nobody
    // waits for it); whatever else was held is dropped.
    std::optional<DecodedSlide> take(const QString& path, QSize previewSize);
    // The same for a picture the caller has been waiting for since take() found
    // nothing: not counted again.
    std::optional<DecodedSlide> collect(const QString& path, QSize previewSize);
    // Runs when a picture has arrived from the worker.
    std::function<void()> onArrived;
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
    bool taking_ = false;  // take() is pulling in a result that has come back
};

}  // namespace plenarvo
