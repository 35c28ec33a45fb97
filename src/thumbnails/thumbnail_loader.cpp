#include "thumbnails/thumbnail_loader.h"

#include "decoding/decode_queue.h"
#include "thumbnails/thumbnail_cache.h"

#include <algorithm>

namespace plenarvo {

ThumbnailLoader::ThumbnailLoader(ResultHandler onResult, int threads)
    : onResult_(std::move(onResult)),
      queue_(std::make_unique<DecodeQueue>(threads)),
      cache_(std::make_shared<const ThumbnailCache>(ThumbnailCache::fromEnvironment())) {}

// The queue goes first and takes the decodes in flight with it, without waiting.
ThumbnailLoader::~ThumbnailLoader() = default;

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

    queue_->submit(
        [cache = cache_, path, pixelSize](const std::atomic<bool>& cancelled) {
            Decoded decoded;
            decoded.image = makeThumbnail(path, pixelSize, *cache, &cancelled, &decoded.error);
            return decoded;
        },
        [this, cell](quint64, const Decoded& decoded) {
            if (onResult_) {
                onResult_(cell, decoded.image);
            }
        });
}

void ThumbnailLoader::reset() {
    queue_->reset();
    requested_.clear();
    highest_ = 0;
}

void ThumbnailLoader::waitForDone() {
    queue_->waitForDone();
}

}  // namespace plenarvo
