#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>

namespace plenarvo {

class DecodeQueue;
class ThumbnailCache;

// Decodes thumbnails ahead of the sheet on a small pool of worker threads.
//
// Each request names a cell, a file and the size in device pixels to decode it
// at (straight at that size: a JPEG by the decoder's own scaling). A valid entry
// of the desktop's shared thumbnail cache or a JPEG's embedded thumbnail stands in
// for the decode when one is large enough, and a decoded picture leaves an entry
// in that cache (makeThumbnail). The decodes go through a DecodeQueue: the workers
// only ever make QImages, and every result reaches `onResult` on the
// user-interface thread, tagged with the cell it answers. A failed decode arrives
// the same way, with a null image. Results from before a reset() are dropped.
//
// Nothing is ever delivered from inside request(): a result always comes later,
// from the event loop, so the caller's order of events never depends on how fast
// a worker was.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    using ResultHandler = std::function<void(int cell, const QImage& image)>;

    explicit ThumbnailLoader(ResultHandler onResult, int threads = 2);
    // Drops what is still queued and cancels the decodes in flight without
    // waiting for them: they stop at their next row or record, and their results
    // are discarded. The workers are reclaimed once they are idle.
    ~ThumbnailLoader() override;

    // Queues the decode of one cell's picture. A cell already requested in this
    // generation is not queued again.
    void request(int cell, const QString& path, QSize pixelSize);
    bool requested(int cell) const;
    // The highest cell requested so far in this generation, 0 when none.
    int requestedUpTo() const { return highest_; }

    // Forgets every request: queued decodes are dropped, the decodes in flight
    // are cancelled, and whatever they still deliver is discarded.
    void reset();

    // Blocks until every queued decode has finished; their results are then
    // waiting in the event queue. For benchmarks and tests, which must know when
    // the workers are done; the program itself never waits for them.
    void waitForDone();

private:
    ResultHandler onResult_;
    std::unique_ptr<DecodeQueue> queue_;
    // The user's shared thumbnail cache, taken from the environment when the loader
    // is made; the workers read and write it.
    std::shared_ptr<const ThumbnailCache> cache_;
    QList<bool> requested_;
    int highest_ = 0;
};

}  // namespace plenarvo
