#include "thumbnails/thumbnail_loader.h"

#include "thumbnails/thumbnail_cache.h"

#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <vector>

namespace plenarvo {

// What the workers share with the loader: whether it is still there to take
// their results, under a lock so that it cannot go while one is handed over.
struct ThumbnailLoader::Shared {
    QMutex mutex;
    ThumbnailLoader* owner = nullptr;
};

namespace {

// Pools whose loader is gone, kept until their workers are idle so that no one
// waits for them; the last are reclaimed when the program ends.
QMutex retiredMutex;
std::vector<std::unique_ptr<QThreadPool>>& retiredPools() {
    static std::vector<std::unique_ptr<QThreadPool>> pools;
    return pools;
}

void reclaimIdlePools() {
    QMutexLocker lock(&retiredMutex);
    auto& pools = retiredPools();
    pools.erase(std::remove_if(pools.begin(), pools.end(),
                               [](const std::unique_ptr<QThreadPool>& pool) {
                                   return pool->activeThreadCount() == 0;
                               }),
                pools.end());
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(ResultHandler onResult, int threads)
    : onResult_(std::move(onResult)),
      pool_(std::make_unique<QThreadPool>()),
      shared_(std::make_shared<Shared>()),
      cancelled_(std::make_shared<std::atomic<bool>>(false)),
      cache_(std::make_shared<const ThumbnailCache>(ThumbnailCache::fromEnvironment())) {
    reclaimIdlePools();
    shared_->owner = this;
    pool_->setMaxThreadCount(threads);
    // Idle workers stay for a while: batches come every few hundred milliseconds.
    pool_->setExpiryTimeout(5000);
}

ThumbnailLoader::~ThumbnailLoader() {
    cancelled_->store(true);
    {
        QMutexLocker lock(&shared_->mutex);
        shared_->owner = nullptr;  // results handed over before this are removed with us
    }
    pool_->clear();
    QMutexLocker lock(&retiredMutex);
    retiredPools().push_back(std::move(pool_));
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
    pool_->start([shared = shared_, cancelled = cancelled_, cache = cache_, generation, cell, path,
                  pixelSize] {
        if (cancelled->load()) {
            return;  // forgotten before it started
        }
        QImage image = makeThumbnail(path, pixelSize, *cache, cancelled.get());
        QMutexLocker lock(&shared->mutex);
        ThumbnailLoader* owner = shared->owner;
        if (!owner || cancelled->load()) {
            return;  // nobody wants it any more
        }
        QMetaObject::invokeMethod(
            owner, [owner, generation, cell, image] { owner->deliver(generation, cell, image); },
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
    cancelled_->store(true);
    cancelled_ = std::make_shared<std::atomic<bool>>(false);
    pool_->clear();
    requested_.clear();
    highest_ = 0;
}

void ThumbnailLoader::waitForDone() {
    pool_->waitForDone();
}

}  // namespace plenarvo
