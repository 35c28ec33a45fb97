#pragma once

#include "pictures/picture.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <functional>

namespace plenarvo {

class DecodeQueue;

// The picture of a clicked thumbnail as the full-screen view shows it: read from
// its file and decoded whole for the picture box, and decoded at the sizes of
// the view's wide and tall frames.
struct OpenedPicture {
    QString path;
    pictures::Picture picture;
    QImage wide;
    QImage tall;
    QString error;  // why the file could not be read, when it could not

    bool ok() const { return !picture.isNull() && error.isEmpty(); }
};

// Reads one clicked picture on the worker of its own DecodeQueue, so that a large
// photo never holds up the sheet. One picture at a time: while one is being read,
// open() refuses another. The result reaches `onOpened` on the user-interface
// thread, from the event loop, never from inside open(). Destroying the opener (or
// drop()) forgets a read under way without waiting: its result is never delivered.
class PictureOpener final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const OpenedPicture&)>;

    explicit PictureOpener(Handler onOpened, QObject* parent = nullptr);
    ~PictureOpener() override;

    // Starts reading `path`; false, and nothing started, while a read is under way.
    bool open(const QString& path, QSize wide, QSize tall);
    bool busy() const;
    // Forgets the read under way, if any.
    void drop();
    // Blocks until the read under way has finished; its result still comes by
    // the event loop. For tests, which must know when the worker is done.
    void waitForDone();

    // Reads and decodes on the calling thread.
    static OpenedPicture read(const QString& path, QSize wide, QSize tall);

private:
    Handler onOpened_;
    DecodeQueue* queue_;
};

}  // namespace plenarvo
