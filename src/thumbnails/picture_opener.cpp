#include "thumbnails/picture_opener.h"

#include "decoding/decode_queue.h"
#include "pictures/cost.h"

namespace plenarvo {

// A read that is dropped, or outlives the opener, stops on its worker on its
// own; nobody waits for it and its result is discarded.
PictureOpener::PictureOpener(Handler onOpened, QObject* parent)
    : QObject(parent), onOpened_(std::move(onOpened)), queue_(new DecodeQueue(1, this)) {}

PictureOpener::~PictureOpener() = default;

OpenedPicture PictureOpener::read(const QString& path) {
    OpenedPicture opened;
    opened.path = path;
    opened.picture = pictures::Picture::fromFile(path, &opened.error);
    return opened;
}

bool PictureOpener::busy() const {
    return queue_->pending() > 0;
}

void PictureOpener::open(const QString& path) {
    if (busy() && path == reading_) {
        return;  // a second click on the same picture opens it once
    }
    drop();
    reading_ = path;
    queue_->submit(
        [path](const std::atomic<bool>& cancelled) {
            const pictures::detail::CancelScope scope(&cancelled);
            return read(path);
        },
        [this](quint64, const OpenedPicture& opened) {
            reading_.clear();
            onOpened_(opened);
        });
}

void PictureOpener::drop() {
    reading_.clear();
    queue_->reset();
}

void PictureOpener::waitForDone() {
    queue_->waitForDone();
}

}  // namespace plenarvo
