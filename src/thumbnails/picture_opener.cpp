#include "thumbnails/picture_opener.h"

#include "decoding/decode_queue.h"

namespace plenarvo {

// A read that is dropped, or outlives the opener, finishes on its worker on its
// own; nobody waits for it and its result is discarded.
PictureOpener::PictureOpener(Handler onOpened, QObject* parent)
    : QObject(parent), onOpened_(std::move(onOpened)), queue_(new DecodeQueue(1, this)) {}

PictureOpener::~PictureOpener() = default;

OpenedPicture PictureOpener::read(const QString& path, QSize wide, QSize tall) {
    OpenedPicture opened;
    opened.path = path;
    opened.picture = pictures::Picture::fromFile(path, &opened.error);
    if (opened.picture.isNull()) {
        return opened;
    }
    // The whole picture is kept by the picture, where the picture box finds it.
    if (opened.picture.image(&opened.error).isNull()) {
        opened.picture = {};
        return opened;
    }
    opened.wide = opened.picture.scaled(wide);
    opened.tall = opened.picture.scaled(tall);
    return opened;
}

bool PictureOpener::busy() const {
    return queue_->pending() > 0;
}

bool PictureOpener::open(const QString& path, QSize wide, QSize tall) {
    if (busy()) {
        return false;
    }
    queue_->submit([path, wide, tall](const std::atomic<bool>&) { return read(path, wide, tall); },
                   [this](quint64, const OpenedPicture& opened) { onOpened_(opened); });
    return true;
}

void PictureOpener::drop() {
    queue_->reset();
}

void PictureOpener::waitForDone() {
    queue_->waitForDone();
}

}  // namespace plenarvo
