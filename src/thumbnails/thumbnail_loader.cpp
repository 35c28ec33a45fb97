#include "thumbnails/thumbnail_loader.h"

#include "thumbnails/thumbnail_cache.h"

#include <QMetaObject>

namespace plenarvo {

ThumbnailLoader::ThumbnailLoader(ResultHandler onResult, int threads)
    : onResult_(std::move(onResult)),
      current_(std::make_shared<std::atomic<quint64>>(generation_)),
      cache_(std::make_shared<const ThumbnailCache>(ThumbnailCache::fromEnvironment())) {
    pool_.setMaxThreadCount(threads);
    // Idle workers stay for a while: batches come every few hundred milliseconds.
    pool_.setExpiryTimeout(5000);
}

ThumbnailLoader::~ThumbnailLoader() {
    current_->store(0);
    pool_.clear();
    // The decodes in flight hold a pointer to this loader for their queued call;
    // they must be over before it goes. Their queued calls are removed with it.
    pool_.waitForDone();
}

bool ThumbnailLoader::requested(int cell) const {
    return cell >= 0 && cell < requested_.size() && requested_[cell];
}

void ThumbnailLoader::request(int cell, const QString& path, QSize pixelSize) {
    if (cell < 0 || requested(cell)) {
        return;
    }
    if (cell >= requested_.size()) {
        requested_.resize(cell + 1, false);
    }
    requested_[cell] = true;
    highest_ = std::max(highest_, cell);

    const quint64 generation = generation_;
    std::shared_ptr<std::atomic<quint64>> current = current_;
    std::shared_ptr<const ThumbnailCache> cache = cache_;
    pool_.start([this, current, cache, generation, cell, path, pixelSize] {
        if (current->load() != generation) {
            return;  // forgotten before it started
        }
        QImage image = makeThumbnail(path, pixelSize, *cache);
        QMetaObject::invokeMethod(
            this, [this, generation, cell, image] { deliver(generation, cell, image); },
            Qt::QueuedConnection);
    });
}

void ThumbnailLoader::deliver(quint64 generation, int cell, const QImage& image) {
    if (generation != generation_) {
        return;  // a stale answer
    }
    if (onResult_) {
        onResult_(cell, image);
    }
}

void ThumbnailLoader::reset() {
    ++generation_;
    current_->store(generation_);
    pool_.clear();
    requested_.clear();
    highest_ = 0;
}

void ThumbnailLoader::waitForDone() {
    pool_.waitForDone();
}

}  // namespace plenarvo
