#include "timed_viewing/slide_ahead.h"

#include <QFutureWatcher>
#include <QPromise>

namespace plenarvo {

namespace {

std::atomic<bool> lookAheadOn{true};
std::atomic<int> hitCount{0};
std::atomic<int> missCount{0};

}  // namespace

SlideAhead::SlideAhead(QObject* parent)
    : QObject(parent), wanted_(std::make_shared<std::atomic<quint64>>(0)) {
    // One worker: a newer request waits for the decode under way, so that no
    // more than one picture beyond the one on show is ever in memory.
    pool_.setMaxThreadCount(1);
}

SlideAhead::~SlideAhead() {
    wanted_->store(0);
    pool_.waitForDone();
}

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
    if (ready_ && ready_->path == path && ready_->previewSize == previewSize) {
        return;
    }
    if (inFlight_ && inFlight_->path == path && inFlight_->previewSize == previewSize) {
        return;
    }
    drop();
    const quint64 id = ++lastId_;
    wanted_->store(id);

    auto promise = std::make_shared<QPromise<DecodedSlide>>();
    QFuture<DecodedSlide> future = promise->future();
    promise->start();
    pool_.start([promise, path, previewSize, wanted = wanted_, id] {
        if (wanted->load() == id) {
            promise->addResult(decode(path, previewSize));
        }
        promise->finish();
    });

    // The watcher lives on this thread: its signal is the queued call that brings
    // the result over.
    auto* watcher = new QFutureWatcher<DecodedSlide>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, id] {
        arrived(id);
        watcher->deleteLater();
    });
    watcher->setFuture(future);
    inFlight_ = InFlight{id, path, previewSize, future};
}

void SlideAhead::arrived(quint64 id) {
    if (!inFlight_ || inFlight_->id != id) {
        return;  // taken already, or dropped
    }
    if (inFlight_->future.resultCount() > 0) {
        ready_ = inFlight_->future.result();
    }
    inFlight_.reset();
}

std::optional<DecodedSlide> SlideAhead::take(const QString& path, QSize previewSize) {
    std::optional<DecodedSlide> out;
    if (ready_ && ready_->path == path && ready_->previewSize == previewSize) {
        out = std::move(ready_);
    } else if (inFlight_ && inFlight_->path == path && inFlight_->previewSize == previewSize) {
        // Still decoding this very file: waiting for it is quicker than starting again.
        inFlight_->future.waitForFinished();
        if (inFlight_->future.resultCount() > 0) {
            out = inFlight_->future.result();
        }
    }
    drop();
    ++(out ? hitCount : missCount);
    return out;
}

void SlideAhead::finishDecoding() {
    if (inFlight_) {
        inFlight_->future.waitForFinished();
    }
}

void SlideAhead::drop() {
    ready_.reset();
    inFlight_.reset();
    wanted_->store(0);
}

}  // namespace plenarvo
