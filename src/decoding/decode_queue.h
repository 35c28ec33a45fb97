#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace plenarvo {

// A picture decoded on a worker: the image, null when the decode failed, and why
// it failed.
struct Decoded {
    QImage image;
    QString error;
};

// Decodes pictures on a small pool of worker threads for one requester, and
// hands every result back on the thread the queue lives on.
//
// A request is a piece of work that makes a plain result (a Decoded, or any
// struct holding the value and its error text) and a handler for it. Each request
// gets an id, and belongs to the queue's current generation. The result comes
// back by a queued call, so a handler never runs inside submit() and the order of
// the requester's events never depends on how fast a worker was. reset() starts
// a new generation: queued work is dropped, work in flight is told to stop by its
// cancellation flag, and what it still delivers is discarded.
//
// Destroying the queue never waits for its workers: their work is cancelled and
// their results discarded, and the pool is freed once it is idle.
class DecodeQueue final : public QObject {
public:
    explicit DecodeQueue(int threads, QObject* parent = nullptr);
    ~DecodeQueue() override;
    DecodeQueue(const DecodeQueue&) = delete;
    DecodeQueue& operator=(const DecodeQueue&) = delete;

    // Queues `work`, called on a worker as work(cancelled) where `cancelled` is a
    // const std::atomic<bool>& that is set when the request is no longer wanted;
    // its result reaches done(id, result) on this queue's thread, unless reset()
    // or the queue's end came first. Returns the request's id.
    template <typename Work, typename Done>
    quint64 submit(Work work, Done done) {
        using Result = std::invoke_result_t<Work&, const std::atomic<bool>&>;
        return post([work = std::move(work), done = std::move(done)](
                        quint64 id, const std::atomic<bool>& cancelled) mutable -> Delivery {
            Result result = work(cancelled);
            return [done, id, result = std::move(result)] { done(id, result); };
        });
    }

    quint64 generation() const { return generation_; }
    // How many requests of this generation are still to be delivered.
    int pending() const { return pending_; }

    // Forgets every request made so far (see above).
    void reset();

    // How many pieces of work are running on the workers of all queues. The
    // program ends without waiting for them when this is not 0: nothing they
    // make is wanted once the last window has gone.
    static int working();

    // Blocks until the workers are idle; the results are then waiting in the event
    // queue. For benchmarks and tests, which must know when the workers are done.
    void waitForDone();
    // Waits for the workers and delivers their results now, from inside this call.
    void finish();

private:
    using Delivery = std::function<void()>;
    using Job = std::function<Delivery(quint64 id, const std::atomic<bool>& cancelled)>;
    struct Shared;

    quint64 post(Job job);
    void deliver(quint64 generation, const Delivery& delivery);

    std::unique_ptr<QThreadPool> pool_;
    std::shared_ptr<Shared> shared_;                // read by the workers
    std::shared_ptr<std::atomic<bool>> cancelled_;  // this generation's work stops when set
    quint64 generation_ = 1;
    quint64 lastId_ = 0;
    int pending_ = 0;
};

}  // namespace plenarvo
