#include "timed_viewing/slide_ahead.h"

#include "decoding/decode_queue.h"
#include "full_view/frm_full_view.h"
#include "pictures/cost.h"

#include <QCoreApplication>
#include <QEvent>

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
        slide.natural = slide.picture.image();  // what the picture box shows
    }
    return slide;
}

void SlideAhead::request(const QString& path, QSize previewSize, bool always) {
    if (!enabled() && !always) {
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
            FrmFullView::runDecodeHook();
            // A dropped picture stops decoding at its next row; nobody sees it.
            const pictures::detail::CancelScope scope(&cancelled);
            return decode(path, previewSize);
        },
        [this](quint64, const DecodedSlide& slide) {
            inFlight_.reset();
            ready_ = slide;
            if (onArrived && !taking_) {
                onArrived();
            }
        });
}

std::optional<DecodedSlide> SlideAhead::collect(const QString& path, QSize previewSize) {
    if (inFlight_ && inFlight_->is(path, previewSize)) {
        // A result that has come back already is taken now; nothing waits for one
        // still being decoded.
        const bool before = std::exchange(taking_, true);
        QCoreApplication::sendPostedEvents(queue_, QEvent::MetaCall);
        taking_ = before;
    }
    std::optional<DecodedSlide> out;
    if (ready_ && ready_->path == path && ready_->previewSize == previewSize) {
        out = std::move(ready_);
    }
    if (inFlight_ && inFlight_->is(path, previewSize)) {
        ready_.reset();  // still decoding this very file: it goes on
    } else {
        drop();
    }
    return out;
}

std::optional<DecodedSlide> SlideAhead::take(const QString& path, QSize previewSize) {
    std::optional<DecodedSlide> out = collect(path, previewSize);
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
