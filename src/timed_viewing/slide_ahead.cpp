#include "timed_viewing/slide_ahead.h"

#include "decoding/decode_queue.h"
#include "pictures/cost.h"

namespace plenarvo {

namespace {

std::atomic<bool> lookAheadOn{true};
std::atomic<int> hitCount{0};
std::atomic<int> missCount{0};

}  // namespace

SlideAhead::SlideAhead(QObject* parent) : QObject(parent), queue_(new DecodeQueue(1, this)) {}

SlideAhead::~SlideAhead() = default;

void SlideAhead::setEnabled(bool on) {
    lookAheadOn = on;
}

bool SlideAhead::enabled() {
    return lookAheadOn;
}

SlideAhead::Counts SlideAhead::counts() {
    return {hitCount.load(), missCount.load()};
}

DecodedSlide SlideAhead::decode(const QString& path, QSize previewSize) {
    DecodedSlide slide;
    slide.path = path;
    slide.previewSize = previewSize;
    slide.picture = pictures::Picture::fromFile(path, &slide.error);
    if (slide.picture.isNull()) {
        return slide;
    }
    slide.preview = slide.picture.scaled(previewSize, &slide.error);
    if (slide.ok()) {
        // The picture keeps its whole decode, which the picture box shows.
        slide.picture.image();
    }
    return slide;
}

void SlideAhead::request(const QString& path, QSize previewSize) {
    if (!enabled()) {
        drop();
        return;
    }
    if ((ready_ && ready_->path == path && ready_->previewSize == previewSize) ||
        (inFlight_ && inFlight_->is(path, previewSize))) {
        return;
    }
    drop();
    inFlight_ = Wanted{path, previewSize};
    queue_->submit(
        [path, previewSize](const std::atomic<bool>& cancelled) {
            // A dropped picture stops decoding at its next row; nobody sees it.
            const pictures::detail::CancelScope scope(&cancelled);
            return decode(path, previewSize);
        },
        [this](quint64, const DecodedSlide& slide) {
            inFlight_.reset();
            ready_ = slide;
        });
}

std::optional<DecodedSlide> SlideAhead::take(const QString& path, QSize previewSize) {
    if (inFlight_ && inFlight_->is(path, previewSize)) {
        // Still decoding this very file: waiting for it is quicker than starting again.
        queue_->finish();
    }
    std::optional<DecodedSlide> out;
    if (ready_ && ready_->path == path && ready_->previewSize == previewSize) {
        out = std::move(ready_);
    }
    drop();
    ++(out ? hitCount : missCount);
    return out;
}

void SlideAhead::finishDecoding() {
    queue_->waitForDone();
}

void SlideAhead::drop() {
    ready_.reset();
    inFlight_.reset();
    queue_->reset();
}

}  // namespace plenarvo
