#include "thumbnails/thumbnail_loader.h"

#include "thumbnails/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using plenarvo::ThumbnailCache;
using plenarvo::ThumbnailLoader;

namespace {

QString writeJpeg(const QTemporaryDir& dir, const QString& name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = dir.filePath(name);
    EXPECT_TRUE(image.save(path, "jpeg"));
    return path;
}

}  // namespace

TEST(ThumbnailLoader, DeliversEveryResultLaterFromTheEventLoop) {
    QTemporaryDir dir;
    QMap<int, QImage> got;
    ThumbnailLoader loader([&](int cell, const QImage& image) { got.insert(cell, image); });
    loader.request(1, writeJpeg(dir, QStringLiteral("a.jpg"), {640, 480}), {95, 81});
    loader.request(2, dir.filePath(QStringLiteral("missing.jpg")), {95, 81});
    loader.request(1, dir.filePath(QStringLiteral("other.jpg")), {10, 10});  // already asked
    EXPECT_TRUE(loader.requested(1));
    EXPECT_EQ(loader.requestedUpTo(), 2);
    loader.waitForDone();
    EXPECT_TRUE(got.isEmpty());  // nothing arrives outside the event loop
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[1].size(), QSize(95, 81));
    EXPECT_TRUE(got[2].isNull());  // a failure arrives the same way
    // The decode left an entry in the shared cache the environment names.
    const QString path = dir.filePath(QStringLiteral("a.jpg"));
    EXPECT_TRUE(QFile::exists(qEnvironmentVariable("XDG_CACHE_HOME") +
                              QStringLiteral("/thumbnails/normal/") +
                              ThumbnailCache::entryName(ThumbnailCache::uriOf(path))));
}

TEST(ThumbnailLoader, ResultsFromBeforeAResetAreDropped) {
    QTemporaryDir dir;
    const QString path = writeJpeg(dir, QStringLiteral("a.jpg"), {320, 240});
    QList<int> got;
    {
        ThumbnailLoader loader([&](int cell, const QImage&) { got.append(cell); });
        loader.request(1, path, {20, 20});
        loader.waitForDone();
        loader.reset();
        EXPECT_FALSE(loader.requested(1));
        loader.request(2, path, {20, 20});
        loader.waitForDone();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(got, QList<int>{2});
        loader.request(3, path, {20, 20});
    }  // destroyed with a request pending: nothing arrives afterwards
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(got, QList<int>{2});
}

TEST(ThumbnailLoader, GoingAwayCancelsTheDecodesInFlightAndDeliversNothing) {
    // Large pictures keep both workers busy; the loader goes without waiting for
    // them, and nothing they make reaches the handler afterwards.
    QTemporaryDir dir;
    int delivered = 0;
    {
        ThumbnailLoader loader([&](int, const QImage&) { ++delivered; });
        for (int i = 0; i < 6; ++i) {
            loader.request(i, writeJpeg(dir, QStringLiteral("%1.jpg").arg(i), {2400, 1800}),
                           {1200, 900});
        }
    }
    ThumbnailLoader next([&](int, const QImage&) { ++delivered; });  // reclaims idle workers
    next.waitForDone();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(delivered, 0);
}
