// Names that lead to pipes, devices, sockets or nowhere, on every road that opens
// a picture or a cache entry: each call comes back at once with nothing. A call
// that does not fails the test in seconds (its thread is left behind, blocked).
#include "pictures/picture.h"
#include "pictures/regular_file.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/embedded_thumbnail.h"
#include "thumbnails/thumbnail_cache.h"

#include <gtest/gtest.h>

#include <QDir>

#include <functional>
#include <future>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>

using namespace plenarvo;

namespace {

constexpr QSize kCell(95, 81);
enum class Kind { Fifo, DeviceLink, DanglingLink, Socket };

// Makes `path` a special file of `kind` (a socket's descriptor is left open).
void make(const QString& path, Kind kind) {
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray name = QFile::encodeName(path);
    if (kind == Kind::Fifo) {
        ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
    } else if (kind == Kind::Socket) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(name.size(), qsizetype(sizeof(address.sun_path)));
        std::copy(name.begin(), name.end(), address.sun_path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    } else {
        const char* to = kind == Kind::DeviceLink ? "/dev/zero" : "/nowhere/at/all.jpg";
        ASSERT_EQ(::symlink(to, name.constData()), 0);
    }
}

// What `call` gives on a thread of its own, when it returns in time.
template <typename Result>
std::optional<Result> promptly(std::function<Result()> call) {
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> future = promise->get_future();
    std::thread([call = std::move(call), promise] { promise->set_value(call()); }).detach();
    if (future.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        return std::nullopt;
    }
    return future.get();
}

}  // namespace

TEST(SpecialFiles, EveryRoadToAPictureOrACacheEntryRefusesThemAtOnce) {
    QTemporaryDir dir;
    const QString picture = dir.filePath("a.jpg");
    QImage red(640, 480, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(picture));
    const QString entry = ThumbnailCache::entryName(ThumbnailCache::uriOf(picture));
    const ThumbnailCache cache(dir.filePath("cache"));
    using Road = std::function<QString(const QString&)>;  // the error; "shown" if not refused
    const auto or_ = [](bool refused, const QString& error) { return refused ? error : "shown"; };
    const std::pair<const char*, Road> roads[] = {
        {"picture (preview, slide show, clicked cell)",
         [or_](const QString& p) {
             QString e;
             return or_(pictures::Picture::fromFile(p, &e).isNull(), e);
         }},
        {"embedded thumbnail",
         [or_](const QString& p) { return or_(embeddedThumbnail(p, kCell).isNull(), {}); }},
        {"thumbnail cell",
         [or_, cache](const QString& p) {
             QString e;
             return or_(makeThumbnail(p, kCell, cache, nullptr, &e).isNull(), e);
         }},
    };
    for (const Kind kind : {Kind::Fifo, Kind::DeviceLink, Kind::DanglingLink, Kind::Socket}) {
        SCOPED_TRACE(int(kind));
        const QString path = dir.filePath(QStringLiteral("%1.jpg").arg(int(kind)));
        make(path, kind);
        for (const auto& [road, call] : roads) {
            SCOPED_TRACE(road);
            const std::optional<QString> error =
                promptly<QString>([&run = call, path] { return run(path); });
            ASSERT_TRUE(error) << "still waiting";
            EXPECT_NE(*error, "shown");
            if (kind != Kind::DanglingLink && !error->isEmpty()) {
                EXPECT_EQ(*error, pictures::notAFileMessage());
            }
        }
        // As a good picture's cache entry, or its failure entry: the picture is decoded.
        for (const QString folder : {"normal", "fail/plenarvo-" PLENARVO_TEST_VERSION}) {
            const QString home =
                dir.filePath(QStringLiteral("home-%1-%2").arg(int(kind)).arg(folder.size()));
            make(home + "/thumbnails/" + folder + '/' + entry, kind);
            const std::optional<QImage> cell = promptly<QImage>(
                [home, picture] { return makeThumbnail(picture, kCell, ThumbnailCache(home)); });
            ASSERT_TRUE(cell) << "still waiting on " << folder.toStdString();
            EXPECT_GT(cell->pixelColor(40, 40).red(), 200);
        }
    }
}

// The temporary file is never renamed over a pipe, nor over a device a link leads to.
class SaveAsIntoSpecialFiles : public plenarvo::testing::AppFixture {};

TEST_F(SaveAsIntoSpecialFiles, RefusesAndLeavesThemAsTheyWere) {
    const QString pics = folder("pics");
    writePicture(pics, "a.bmp", {30, 20});
    startAndOpen(pics);
    QString error;
    ASSERT_TRUE(main().loadPreview(pics + "/a.bmp", "a.bmp", &error));
    QStringList targets{pics + "/pipe.bmp"};
    make(targets[0], Kind::Fifo);
    // A device of the test's own (only root may make one): a fault replaces nothing else.
    if (::mknod(QFile::encodeName(pics + "/null").constData(), S_IFCHR | 0600, makedev(1, 3)) ==
            0 &&
        QFile::link(pics + "/null", pics + "/device.bmp")) {
        targets << pics + "/device.bmp";
    }
    for (const QString& target : targets) {
        struct stat before {
        }, after{};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &before), 0);
        messages.shown.clear();
        dialogs.answers = {target};
        main().mnuFileSaveAs->action()->trigger();
        ASSERT_EQ(messages.shown.size(), 1u) << target.toStdString();
        EXPECT_TRUE(messages.shown[0].text.contains(pictures::notAFileMessage()));
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
}
