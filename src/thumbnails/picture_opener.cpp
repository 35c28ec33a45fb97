#include "thumbnails/picture_opener.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>

namespace plenarvo {

PictureOpener::PictureOpener(Handler onOpened, QObject* parent)
    : QObject(parent), onOpened_(std::move(onOpened)) {}

PictureOpener::~PictureOpener() {
    drop();
}

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

bool PictureOpener::open(const QString& path, QSize wide, QSize tall) {
    if (busy()) {
        return false;
    }
    auto promise = std::make_shared<QPromise<OpenedPicture>>();
    QFuture<OpenedPicture> future = promise->future();
    promise->start();
    // The shared pool outlives every sheet: a read that is dropped finishes there
    // on its own, and nobody waits for it.
    QThreadPool::globalInstance()->start([promise, path, wide, tall] {
        promise->addResult(read(path, wide, tall));
        promise->finish();
    });
    // The watcher lives on this thread: its signal is the queued call that brings
    // the result over.
    watcher_ = new QFutureWatcher<OpenedPicture>(this);
    connect(watcher_, &QFutureWatcherBase::finished, this, [this] {
        QFutureWatcher<OpenedPicture>* done = std::exchange(watcher_, nullptr);
        done->deleteLater();
        if (done->future().resultCount() > 0) {
            onOpened_(done->future().result());
        }
    });
    watcher_->setFuture(future);
    return true;
}

void PictureOpener::drop() {
    if (watcher_) {
        watcher_->disconnect(this);
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
}

void PictureOpener::waitForDone() {
    if (watcher_) {
        watcher_->future().waitForFinished();
    }
}

}  // namespace plenarvo
