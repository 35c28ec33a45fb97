#include "decoding/decode_queue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaObject>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <vector>

namespace plenarvo {

// What the workers share with the queue: whether it is still there to take their
// results, under a lock so that it cannot go while one is handed over.
struct DecodeQueue::Shared {
    QMutex mutex;
    DecodeQueue* owner = nullptr;
};

namespace {

// Pools whose queue is gone, kept until their workers are idle so that no one
// waits for them. The list itself is never destroyed: a pool still working when
// the program ends must not hold up its end (see DecodeQueue::working()).
QMutex retiredMutex;
std::vector<std::unique_ptr<QThreadPool>>& retiredPools() {
    static auto* pools = new std::vector<std::unique_ptr<QThreadPool>>;
    return *pools;
}

// Work running on any queue's workers, the program over.
std::atomic<int> workingNow{0};

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

DecodeQueue::DecodeQueue(int threads, QObject* parent)
    : QObject(parent),
      pool_(std::make_unique<QThreadPool>()),
      shared_(std::make_shared<Shared>()),
      cancelled_(std::make_shared<std::atomic<bool>>(false)) {
    reclaimIdlePools();
    shared_->owner = this;
    pool_->setMaxThreadCount(std::max(1, threads));
    // Idle workers stay for a while: requests tend to come in bursts.
    pool_->setExpiryTimeout(5000);
}

DecodeQueue::~DecodeQueue() {
    cancelled_->store(true);
    {
        QMutexLocker lock(&shared_->mutex);
        shared_->owner = nullptr;  // results handed over before this go with us
    }
    pool_->clear();
    QMutexLocker lock(&retiredMutex);
    retiredPools().push_back(std::move(pool_));
}

quint64 DecodeQueue::post(Job job) {
    const quint64 id = ++lastId_;
    const quint64 generation = generation_;
    ++pending_;
    pool_->start([shared = shared_, cancelled = cancelled_, job = std::move(job), id, generation] {
        if (cancelled->load()) {
            return;  // forgotten before it started
        }
        ++workingNow;
        const Delivery delivery = job(id, *cancelled);
        --workingNow;
        QMutexLocker lock(&shared->mutex);
        DecodeQueue* owner = shared->owner;
        if (!owner || cancelled->load()) {
            return;  // nobody wants it any more
        }
        QMetaObject::invokeMethod(
            owner, [owner, generation, delivery] { owner->deliver(generation, delivery); },
            Qt::QueuedConnection);
    });
    return id;
}

void DecodeQueue::deliver(quint64 generation, const Delivery& delivery) {
    if (generation != generation_) {
        return;  // a stale answer
    }
    --pending_;
    delivery();
}

void DecodeQueue::reset() {
    ++generation_;
    pending_ = 0;
    cancelled_->store(true);
    cancelled_ = std::make_shared<std::atomic<bool>>(false);
    pool_->clear();
}

int DecodeQueue::working() {
    return workingNow.load();
}

void DecodeQueue::waitForDone() {
    pool_->waitForDone();
}

void DecodeQueue::finish() {
    pool_->waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

}  // namespace plenarvo
