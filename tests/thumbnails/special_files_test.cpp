// Names that lead to pipes, devices, sockets or nowhere, on every road that opens
// a picture or a cache entry: each call must come back at once with nothing, and a
// call that does not fails the test in seconds (its thread is left behind).
#include "pictures/picture.h"
#include "pictures/regular_file.h"
#include "support/fakes/app_fixture.h"
#include "thumbnails/embedded_thumbnail.h"
#include "thumbnails/picture_opener.h"
#include "thumbnails/thumbnail_cache.h"
#include "timed_viewing/slide_ahead.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace plenarvo;

namespace {

constexpr QSize kCell(95, 81);
constexpr auto kPromptly = std::chrono::seconds(20);  // generous on a busy machine

enum class Kind { Fifo, DeviceLink, DanglingLink, Socket };

struct Special {
    const char* name;
    Kind kind;
};
constexpr Special kSpecials[] = {{"FIFO", Kind::Fifo},
                                 {"link to /dev/zero", Kind::DeviceLink},
                                 {"dangling link", Kind::DanglingLink},
                                 {"socket", Kind::Socket}};

// Makes `path` a special file of `kind`; a socket's descriptor is kept by `sockets`.
void make(const QString& path, Kind kind, std::vector<int>& sockets) {
    QDir().mkpath(QFileInfo(path).path());
    QFile::remove(path);
    const QByteArray name = QFile::encodeName(path);
    switch (kind) {
        case Kind::Fifo:
            ASSERT_EQ(::mkfifo(name.constData(), 0600), 0);
            break;
        case Kind::DeviceLink:
            ASSERT_EQ(::symlink("/dev/zero", name.constData()), 0);
            break;
        case Kind::DanglingLink:
            ASSERT_EQ(::symlink("/nowhere/at/all.jpg", name.constData()), 0);
            break;
        case Kind::Socket: {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            ASSERT_LT(name.size(), qsizetype(sizeof(address.sun_path)));
            std::copy(name.begin(), name.end(), address.sun_path);
            ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
            sockets.push_back(fd);
            break;
        }
    }
}

// Runs `call` on a thread of its own; false when it has not returned in time.
template <typename Result>
std::optional<Result> promptly(std::function<Result()> call) {
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> future = promise->get_future();
    std::thread([call = std::move(call), promise] { promise->set_value(call()); }).detach();
    if (future.wait_for(kPromptly) != std::future_status::ready) {
        return std::nullopt;
    }
    return future.get();
}

QByteArray jpeg(QColor colour) {
    QImage image(640, 480, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg");
    return bytes;
}

class SpecialFiles : public ::testing::Test {
protected:
    ~SpecialFiles() override {
        for (const int fd : sockets_) {
            ::close(fd);
        }
    }
    QTemporaryDir dir_;
    std::vector<int> sockets_;
};

}  // namespace

TEST_F(SpecialFiles, EveryRoadToAPictureRefusesThemAtOnce) {
    using Road = std::function<QString(const QString&)>;  // the error; "-" when it showed
    const ThumbnailCache cache(dir_.filePath("cache"));
    const std::pair<const char*, Road> roads[] = {
        {"picture",
         [](const QString& p) {
             QString e;
             return pictures::Picture::fromFile(p, &e).isNull() ? e : "-";
         }},
        {"scaled decode",
         [](const QString& p) {
             QString e;
             return pictures::decodeScaled(p, kCell, &e).isNull() ? e : "-";
         }},
        {"embedded thumbnail",
         [](const QString& p) { return embeddedThumbnail(p, kCell).isNull() ? "" : "-"; }},
        {"thumbnail cell",
         [cache](const QString& p) {
             QString e;
             return makeThumbnail(p, kCell, cache, nullptr, &e).isNull() ? e : "-";
         }},
        {"clicked thumbnail",
         [](const QString& p) { return PictureOpener::read(p, kCell, kCell).error; }},
        {"slide ahead", [](const QString& p) { return SlideAhead::decode(p, kCell).error; }},
    };
    for (const Special& special : kSpecials) {
        const QString path =
            dir_.filePath(QStringLiteral("pictures/%1.jpg").arg(int(special.kind)));
        make(path, special.kind, sockets_);
        for (const auto& [road, call] : roads) {
            SCOPED_TRACE(std::string(special.name) + " by " + road);
            const std::optional<QString> error =
                promptly<QString>([call, path] { return call(path); });
            ASSERT_TRUE(error) << "still waiting";
            EXPECT_NE(*error, "-");
            if (special.kind != Kind::DanglingLink && !error->isEmpty()) {
                EXPECT_EQ(*error, pictures::notAFileMessage());
            }
        }
    }
    // Nothing of theirs went into the cache.
    EXPECT_TRUE(QDir(dir_.filePath("cache/thumbnails/normal")).isEmpty());
}

TEST_F(SpecialFiles, CacheEntriesThatAreNotTheUsersRegularFilesAreIgnored) {
    const QString picture = dir_.filePath("pictures/a.jpg");
    QDir().mkpath(QFileInfo(picture).path());
    QFile out(picture);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(jpeg(Qt::red));
    out.close();
    const QString name = ThumbnailCache::entryName(ThumbnailCache::uriOf(picture));
    for (const char* folder : {"normal", "fail/plenarvo-" PLENARVO_TEST_VERSION}) {
        for (const Special& special : kSpecials) {
            SCOPED_TRACE(std::string(special.name) + " in " + folder);
            const QString home = dir_.filePath(QStringLiteral("home%1").arg(int(special.kind)));
            QDir(home).removeRecursively();
            const QString entry = home + "/thumbnails/" + folder + '/' + name;
            make(entry, special.kind, sockets_);
            const ThumbnailCache cache(home);
            const std::optional<QImage> cell =
                promptly<QImage>([cache, picture] { return makeThumbnail(picture, kCell, cache); });
            ASSERT_TRUE(cell) << "still waiting";
            ASSERT_EQ(cell->size(), kCell);  // decoded instead
            EXPECT_GT(cell->pixelColor(40, 40).red(), 200);
        }
    }
}

// The preview through the main window: the message says what the name is. A pipe
// that held the window would be opened for writing after a while, so that the test
// fails instead of hanging.
class SpecialFilePreview : public plenarvo::testing::AppFixture {};

TEST_F(SpecialFilePreview, APipeNamedLikeAPictureGetsAMessage) {
    const QString pics = folder("pics");
    writePicture(pics, "a.jpg", {64, 48});
    const QString pipe = pics + "/b.jpg";
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    startAndOpen(pics);
    int row = -1;
    for (int i = 0; i < main().filPic->listCount(); ++i) {
        if (main().filPic->list(i) == "b.jpg") {
            row = i;
        }
    }
    if (row < 0) {
        GTEST_SKIP() << "the file list does not list pipes";
    }
    std::mutex mutex;
    std::condition_variable wake;
    bool finished = false;
    bool unblocked = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!wake.wait_for(lock, kPromptly, [&] { return finished; })) {
            unblocked = true;
            ::close(::open(QFile::encodeName(pipe).constData(), O_WRONLY));
        }
    });
    main().filPic->setListIndex(row);
    main().cmdShow_Click();
    {
        std::lock_guard lock(mutex);
        finished = true;
    }
    wake.notify_all();
    watchdog.join();
    EXPECT_FALSE(unblocked) << "the preview waited on the pipe";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Picture Not Loaded");
    EXPECT_TRUE(messages.shown[0].text.contains(pictures::notAFileMessage()));
}

// Save As into a name that leads to a pipe, a socket or a device (through a link)
// refuses, and leaves it as it was: the temporary file is never renamed over it.
TEST_F(SpecialFilePreview, SaveAsIntoAPipeASocketOrADeviceRefuses) {
    const QString pics = folder("pics");
    writePicture(pics, "a.bmp", {30, 20});
    startAndOpen(pics);
    QString error;
    ASSERT_TRUE(main().loadPreview(pics + "/a.bmp", "a.bmp", &error));
    const QString out = folder("out");
    std::vector<int> sockets;
    std::vector<QString> targets;
    for (const Kind kind : {Kind::Fifo, Kind::Socket}) {
        targets.push_back(out + QStringLiteral("/%1.bmp").arg(int(kind)));
        make(targets.back(), kind, sockets);
    }
    // A device of the test's own (only root may make one), so that a fault
    // replaces nothing of the system's.
    if (::mknod(QFile::encodeName(out + "/null").constData(), S_IFCHR | 0600, makedev(1, 3)) == 0) {
        targets.push_back(out + "/device.bmp");
        ASSERT_TRUE(QFile::link(out + "/null", targets.back()));
    }
    for (const QString& target : targets) {
        SCOPED_TRACE(target.toStdString());
        struct stat before {};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &before), 0);
        messages.shown.clear();
        dialogs.answers = {target};
        main().mnuFileSaveAs->action()->trigger();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_TRUE(messages.shown[0].text.contains(pictures::notAFileMessage()));
        struct stat after {};
        ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
    for (const int fd : sockets) {
        ::close(fd);
    }
}
