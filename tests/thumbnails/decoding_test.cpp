#include "decoding/decode_queue.h"
#include "platform/qt/controls.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/frm_thumb.h"
#include "thumbnails/thumbnail_cache.h"
#include "thumbnails/thumbnail_loader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>

#include <functional>

using namespace plenarvo;

namespace {

// Every delivery as "id:width:error", and the threads that worked and delivered.
struct Log {
    QStringList delivered;
    QSet<QThread*> workers;
    QSet<QThread*> deliverers;
};

// A request whose work runs `first`, then gives a picture `width` pixels wide, or
// a failure when width is 0.
quint64 submit(DecodeQueue& queue, Log& log, int width,
               std::function<void(const std::atomic<bool>&)> first = {}) {
    return queue.submit(
        [&log, width, first](const std::atomic<bool>& cancelled) {
            log.workers.insert(QThread::currentThread());  // one worker per queue below
            if (first) {
                first(cancelled);
            }
            Decoded d;
            if (width > 0) {
                d.image = QImage(width, 1, QImage::Format_RGB32);
            } else {
                d.error = QStringLiteral("The picture is damaged.");
            }
            return d;
        },
        [&log](quint64 id, const Decoded& d) {
            log.deliverers.insert(QThread::currentThread());
            log.delivered << QStringLiteral("%1:%2:%3").arg(id).arg(d.image.width()).arg(d.error);
        });
}

}  // namespace

TEST(DecodeQueue, DeliversEachResultToItsRequestOnlyWhileItsGenerationLasts) {
    const struct {
        const char* name;
        std::function<void(DecodeQueue&, Log&)> steps;  // ends with the workers done
        QStringList delivered;                          // after the event loop ran
    } cases[] = {
        {"ids matched to their results, failures with their reason",
         [](DecodeQueue& q, Log& log) {
             submit(q, log, 30);
             submit(q, log, 0);
             submit(q, log, 50);
             q.waitForDone();
             EXPECT_TRUE(log.delivered.isEmpty());  // never before the event loop
             EXPECT_EQ(q.pending(), 3);
         },
         {"1:30:", "2:0:The picture is damaged.", "3:50:"}},
        {"a result waiting when a reset comes is dropped",
         [](DecodeQueue& q, Log& log) {
             submit(q, log, 30);
             q.waitForDone();
             q.reset();
             submit(q, log, 40);
             q.waitForDone();
         },
         {"2:40:"}},
        {"work in flight at a reset is cancelled, queued work never starts",
         [](DecodeQueue& q, Log& log) {
             QSemaphore started;
             submit(q, log, 30, [&started](const std::atomic<bool>& cancelled) {
                 started.release();
                 // A cancellation that never comes fails the test in seconds.
                 QDeadlineTimer limit(10000);
                 while (!cancelled.load() && !limit.hasExpired()) {
                     QThread::yieldCurrentThread();
                 }
                 EXPECT_TRUE(cancelled.load());
             });
             submit(q, log, 40);
             started.acquire();
             q.reset();
             EXPECT_EQ(q.pending(), 0);
             q.waitForDone();
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Log log;
        DecodeQueue queue(1);
        c.steps(queue, log);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(log.delivered, c.delivered);
        EXPECT_FALSE(log.workers.contains(QThread::currentThread()));
        if (!log.delivered.isEmpty()) {
            EXPECT_EQ(log.deliverers, QSet<QThread*>{QThread::currentThread()});
        }
    }
}

TEST(DecodeQueue, GoingAwayNeverWaitsForItsWorkersAndDeliversNothing) {
    Log log;
    QSemaphore gate;
    QSemaphore started;
    {
        DecodeQueue queue(1);
        submit(queue, log, 30, [&](const std::atomic<bool>&) {
            started.release();
            gate.acquire();
            started.release();  // the last the worker touches of the test's
        });
        started.acquire();
    }  // the worker is still held at the gate: waiting for it here would never end
    gate.release();
    started.acquire();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(log.delivered.isEmpty());
}

TEST(ImageControl, AResizedControlPaintsWhatItHasUntilThePictureAtItsSizeArrives) {
    QWidget window;
    window.resize(400, 300);
    auto* image = new controls::Image(&window);
    image->setGeometry(0, 0, 40, 30);
    window.show();
    const QImage red = plenarvo::testing::solid({400, 300}, Qt::red);
    const pictures::Picture picture = pictures::Picture::fromImage(red);
    const QImage ready = red.scaled(image->pixelSize());
    image->setPicture(picture, ready);
    EXPECT_FALSE(image->decoding());  // it fits

    QSignalSpy arrived(image, &controls::Image::decoded);
    image->resize(80, 60);
    EXPECT_TRUE(image->decoding());
    image->grab();                          // painting decodes nothing:
    EXPECT_EQ(image->shownImage(), ready);  // the old image, stretched
    ASSERT_TRUE(arrived.wait());
    EXPECT_EQ(image->shownImage().size(), image->pixelSize());
    EXPECT_FALSE(image->decoding());

    // A new picture without a ready image shows nothing until its own arrives,
    // and the decode for the picture before never comes back.
    image->resize(60, 60);
    image->setPicture(pictures::Picture::fromImage(plenarvo::testing::solid({300, 300}, Qt::blue)));
    EXPECT_TRUE(image->shownImage().isNull());
    ASSERT_TRUE(arrived.wait());
    EXPECT_EQ(image->shownImage().size(), image->pixelSize());
    EXPECT_EQ(image->shownImage().pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(arrived.count(), 2);
}

// A sheet loaded hidden by a colour-scheme choice builds its rows, but decodes
// nothing and leaves nothing in the thumbnail cache; a sheet that shows asks.
class HiddenSheet : public plenarvo::testing::AppFixture {};

TEST_F(HiddenSheet, AsksForNoPictureUntilItShows) {
    const QString pics = folder(QStringLiteral("pics"));
    for (int i = 0; i < 30; ++i) {
        writePicture(pics, QStringLiteral("p%1.jpg").arg(i, 2, 10, QLatin1Char('0')), {320, 240});
    }
    startAndOpen(pics);
    main().mnuOptBacGrnPut->click();
    advance(1000);  // its batches
    settle();
    EXPECT_GT(forms->thumb().RowEnd, 5);
    EXPECT_EQ(forms->thumb().thumbnails().requestedUpTo(), 0);
    const QString entry = qEnvironmentVariable("XDG_CACHE_HOME") + "/thumbnails/normal/" +
                          ThumbnailCache::entryName(ThumbnailCache::uriOf(pics + "/p00.jpg"));
    EXPECT_FALSE(QFile::exists(entry));
    main().cmdThumb_Click();
    EXPECT_GT(forms->thumb().thumbnails().requestedUpTo(), 5);
    forms->thumb().thumbnails().waitForDone();
    EXPECT_TRUE(QFile::exists(entry));  // the shown sheet's decodes are kept
}
