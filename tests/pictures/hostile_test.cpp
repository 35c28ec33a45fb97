// Small files made to cost far more than their size, and honest large pictures
// beside them: what the library sets aside is checked through its own account.
#include "pictures/cost.h"
#include "pictures/picture.h"
#include "pictures/wmf/player.h"
#include "pictures/wmf/wmf.h"
#include "support/hostile_files.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <random>
#include <thread>
#include <tuple>

#include <pthread.h>
#include <time.h>

using plenarvo::pictures::Picture;
using plenarvo::testing::writeFile;
namespace detail = plenarvo::pictures::detail;
namespace wmf = plenarvo::pictures::wmf;

namespace {

constexpr qint64 kMb = 1024 * 1024;

// Everything the program does with a picture, the account cleared first.
struct Outcome {
    bool decoded = false;
    QString error;
    detail::MemoryAccount account;
};

Outcome useWhole(const QByteArray& bytes) {
    detail::memoryAccount() = {};
    Outcome out;
    const Picture picture = Picture::fromData(bytes, &out.error);
    if (!picture.isNull()) {
        const bool small = !picture.scaled(QSize(160, 120), &out.error).isNull();
        const bool whole = !picture.image(&out.error).isNull();
        picture.saveData(&out.error);
        out.decoded = small && whole;
    }
    out.account = detail::memoryAccount();
    return out;
}

QImage flat(QSize size) {
    return plenarvo::testing::solid(size, QColor(90, 140, 200));
}

using Named = std::pair<const char*, QByteArray>;

}  // namespace

// Small files claiming more pixels than their data can describe are refused before
// any buffer is set aside; honest flat pictures over 4 million pixels and 64 MB
// still decode, setting aside nothing larger than about twice the whole picture.
TEST(HostileRaster, ClaimsTheDataCannotHoldAreRefusedAndHonestPicturesNearTheBoundsDecode) {
    QByteArray runs;
    for (int i = 0; i < 7000; ++i) {
        runs.append(char(255)).append(char(i & 0xFF));
    }
    const QSize big(4100, 4100);
    const struct {
        const char* name;
        QByteArray bytes;
        bool honest;
    } cases[] = {
        {"RLE8 bitmap claiming 14800x14800 from 14 KB", hostile::bmp8(14800, 14800, 1, runs),
         false},
        {"plain bitmap claiming 14800x14800 from 44 KB",
         hostile::bmp8(14800, 14800, 0, QByteArray(44000, '\x40')), false},
        {"progressive JPEG claiming 14800x14800",
         hostile::jpegClaiming(hostile::jpeg(flat(QSize(16, 16)), true, 50), 14800, 14800), false},
        {"baseline JPEG claiming 14800x14800",
         hostile::jpegClaiming(hostile::jpeg(flat(QSize(16, 16)), false, 50), 14800, 14800), false},
        {"GIF of a 1x1 frame on a 65535x3300 screen",
         hostile::gif(QSize(65535, 3300), hostile::bands(QSize(1, 1))), false},
        {"icon of 200 entries claiming 4096x4096 with a byte each",
         hostile::iconFlood(200, 4096, 4096), false},
        {"flat baseline JPEG", hostile::jpeg(flat(big), false, 30), true},
        {"flat progressive JPEG", hostile::jpeg(flat(big), true, 30), true},
        {"GIF of four bands", hostile::gif(big, hostile::bands(big)), true},
        {"bitmap cut short", hostile::bmp8(4100, 4100, 0, QByteArray(4100 * 4100 / 3, '\x80')),
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome out = useWhole(c.bytes);
        EXPECT_EQ(out.decoded, c.honest) << out.error.toStdString();
        if (c.honest) {
            EXPECT_GE(out.account.largest, 4100LL * 4100 * 4);
            EXPECT_LE(out.account.largest, 4100LL * 4100 * 4 * 2);
        } else {
            EXPECT_LT(c.bytes.size(), 100'000);
            EXPECT_FALSE(out.error.isEmpty());
            EXPECT_EQ(out.account.total, 0);
        }
    }
}

TEST(HostileRaster, ALargeBitmapIsShrunkAsItIsReadWithoutItsFullSizeBuffer) {
    // 5000x4000 at 8 bits: a grey ramp from left to right, bottom-up rows.
    QByteArray row(5000, '\0');
    for (int x = 0; x < 5000; ++x) {
        row[x] = char(x * 256 / 5000);
    }
    const QByteArray file = hostile::bmp8(5000, 4000, 0, row.repeated(4000));
    detail::memoryAccount() = {};
    QString error;
    const QImage thumb = Picture::fromData(file).scaled(QSize(100, 80), &error);
    ASSERT_EQ(thumb.size(), QSize(100, 80)) << error.toStdString();
    EXPECT_LT(detail::memoryAccount().largest, 1 * kMb);  // never the 80 MB of the whole
    // Each thumbnail pixel is the mean of the pixels it covers.
    for (int x : {0, 37, 99}) {
        EXPECT_NEAR(qRed(thumb.pixel(x, 40)), int((x * 50 + 24.5) * 256 / 5000), 1) << x;
        EXPECT_EQ(qAlpha(thumb.pixel(x, 0)), 255);
    }
    // The same cut short: the rows that are not there stay transparent.
    const QImage partial =
        Picture::fromData(file.left(file.size() - 5000 * 2000)).scaled(QSize(100, 80));
    ASSERT_FALSE(partial.isNull());
    EXPECT_EQ(qAlpha(partial.pixel(50, 79)), 255);  // bottom rows come first
    EXPECT_EQ(qAlpha(partial.pixel(50, 0)), 0);
}

TEST(HostileMetafile, APatternBitmapLargerThanItsHeaderIsNotKept) {
    const QByteArray file = hostile::bigPatternBrushes(hostile::flatPng(QSize(1500, 1500)), 20);
    wmf::PlayStats stats;
    detail::memoryAccount() = {};
    ASSERT_FALSE(wmf::render(file, QSize(100, 100), nullptr, &stats).isNull());
    EXPECT_EQ(stats.patternPixels, 0);
    EXPECT_LT(detail::memoryAccount().largest, 1 * kMb);
}

TEST(HostileMetafile, EveryDrawingRecordIsChargedAndTheBudgetStopsTheFile) {
    const Named cases[] = {
        {"a region of 2000 rectangles filled 300 times", hostile::regionFlood(2000, 300)},
        {"large glyphs stacked with zero advances", hostile::stackedText(400, 30)},
        {"a polyline of 8000 points with a wide pen", hostile::widePolyline(8000, 40)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        EXPECT_LT(bytes.size(), 100'000);
        // A twentieth of the budget keeps the test short; the benchmark times the full one.
        for (QSize size : {QSize(95, 81), QSize(457, 417), QSize(1000, 1000)}) {
            wmf::PlayStats stats;
            stats.budget = wmf::kDrawingBudget / 20;
            EXPECT_EQ(wmf::render(bytes, size, nullptr, &stats).size(), size);
            EXPECT_TRUE(stats.stopped) << size.width();
            EXPECT_LE(stats.spent, stats.budget + 1);
        }
    }
}

TEST(HostileMetafile, WhatCameBeforeTheBudgetRanOutStays) {
    // A blue square, then a zigzag too costly to draw with a red pen 40 wide.
    auto b = MetafileBuilder::canvas(1000, 1000);
    b.solidBrush(0xFF0000).select(0).record(records::kRectangle, {300, 300, 0, 0});
    b.pen(0, 40, 0x0000FF).select(1);
    wmf::PlayStats stats;
    const QImage image =
        wmf::render(hostile::zigzag(b, 8000).eof().bytes, QSize(200, 200), nullptr, &stats);
    EXPECT_TRUE(stats.stopped);
    EXPECT_EQ(image.pixel(20, 20), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(image.pixel(150, 150)), 0);
}

// A disc of 40 rings laid edge to edge at fractional radii, as clip art draws
// gradients: no background shows between rings, and drawn small the rim is smooth.
TEST(MetafileFills, ShapesLaidEdgeToEdgeLeaveNoSeamAndSmallDrawingsAreSmooth) {
    auto b = MetafileBuilder::canvas(1000, 1000);
    b.nullPen().select(0).solidBrush(0x0000FF).select(1);
    b.record(records::kSetPolyFillMode, {1});  // alternate fill: each ring is a band
    const auto ring = [](double r, QByteArray& points) {
        for (int i = 0; i < 64; ++i) {
            const double a = i * 2 * std::numbers::pi / 64;
            le16(points, {std::lround(500 + r * std::cos(a)), std::lround(500 + r * std::sin(a))});
        }
    };
    QByteArray centre;
    ring(10, le16(centre, {64}));
    b.record(records::kPolygon, centre);
    for (int n = 0; n < 40; ++n) {
        QByteArray rings;
        le16(rings, {2, 64, 64});
        ring(10 + (n + 1) * 11.3, rings);  // the outer corners of one are the inner of the next
        ring(10 + n * 11.3, rings);
        b.record(records::kPolyPolygon, rings);
    }
    const QByteArray file = b.eof().bytes;
    for (QSize size : {QSize(1000, 1000), QSize(333, 333), QSize(95, 81)}) {
        SCOPED_TRACE(size.width());
        const QImage image = wmf::render(file, size);
        ASSERT_EQ(image.size(), size);
        int partial = 0;
        int inside = 0;
        int rim = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const int a = qAlpha(image.pixel(x, y));
                const double r =
                    std::hypot((x + 0.5) / size.width() - 0.5, (y + 0.5) / size.height() - 0.5);
                inside += r < 0.44;
                partial += r < 0.44 && a < 250;
                rim += y == size.height() / 4 && a > 20 && a < 235;
            }
        }
        EXPECT_GT(inside, 1000);
        EXPECT_EQ(partial, 0);
        if (size.width() < 1000) {
            EXPECT_GT(rim, 0);
        }
    }
}

namespace {

// The processor time a thread has spent, in milliseconds: a measure of work that a
// busy machine does not stretch.
double cpuMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

}  // namespace

// Cancelled a quarter of the way in, a decode fails and does far less than the
// three quarters left. Work is the decoding thread's processor time, against whole
// decodes just before on the same thread; the best of three tries counts.
TEST(Cancellation, ADecodeCancelledWhileItRunsStopsAtItsNextRowReadOrRecord) {
    QTemporaryDir dir;
    // Noise, so that reading the JPEG's data is most of its decode, shrunk as
    // thumbnails are while it is read.
    QImage noise(2400, 1800, QImage::Format_RGB32);
    std::mt19937 random(7);
    for (int y = 0; y < noise.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(noise.scanLine(y));
        std::generate_n(line, noise.width(), [&] { return QRgb(random()); });
    }
    const std::tuple<const char*, QByteArray, QSize> cases[] = {
        {"large.bmp", hostile::bmp8(4000, 3000, 0, QByteArray(4000 * 3000, '\x30')), {400, 300}},
        {"large.jpg", hostile::jpeg(noise, false, 95), noise.size() / 8},
        {"flood.wmf", hostile::regionFlood(50, 30), {400, 300}},
    };
    for (const auto& [name, bytes, target] : cases) {
        SCOPED_TRACE(name);
        const QString path = writeFile(dir.filePath(QString::fromLatin1(name)), bytes);
        const QSize size = target;  // not every compiler lets a lambda take a binding
        ASSERT_FALSE(plenarvo::pictures::decodeScaled(path, size).isNull());  // loads Qt's decoder
        double bestShare = 1;  // of the whole decode's work, done after the cancel
        for (int tries = 0, attempts = 0; tries < 3 && attempts < 10; ++attempts) {
            std::atomic<bool> cancel{false};
            std::atomic<double> whole{-1};  // set once the whole decode is measured
            std::atomic<double> from{0};    // the worker's clock when the cancelled one starts
            std::atomic<bool> finished{false};
            std::atomic<bool> released{false};  // its clock is read while it lives
            clockid_t workerClock{};
            QImage image;
            QString error;
            double end = 0;
            std::thread worker([&] {
                pthread_getcpuclockid(pthread_self(), &workerClock);
                double least = 1e9;  // the cheaper of two whole decodes
                for (int i = 0; i < 2; ++i) {
                    const double before = cpuMs(CLOCK_THREAD_CPUTIME_ID);
                    const bool decoded = !plenarvo::pictures::decodeScaled(path, size).isNull();
                    least = decoded ? std::min(least, cpuMs(CLOCK_THREAD_CPUTIME_ID) - before) : 0;
                }
                from = cpuMs(CLOCK_THREAD_CPUTIME_ID);
                whole = least;
                image = plenarvo::pictures::decodeScaled(path, size, &error, &cancel);
                end = cpuMs(CLOCK_THREAD_CPUTIME_ID);
                finished = true;
                while (!released) {
                    std::this_thread::yield();
                }
            });
            while (whole < 0) {
                std::this_thread::yield();
            }
            while (!finished && cpuMs(workerClock) - from < whole / 4) {
                std::this_thread::yield();
            }
            cancel = true;
            const double cancelledAt = cpuMs(workerClock);
            released = true;
            worker.join();
            ASSERT_GT(whole, 0);
            // A cancel that landed late, the canceller kept off the processor,
            // proves nothing.
            if (!image.isNull() || cancelledAt - from > whole / 3) {
                continue;
            }
            ++tries;
            EXPECT_FALSE(error.isEmpty());
            bestShare = std::min(bestShare, (end - cancelledAt) / whole);
        }
        EXPECT_LT(bestShare, 1.0 / 4);
    }
}
