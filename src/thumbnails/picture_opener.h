#pragma once

#include "pictures/picture.h"

#include <QObject>
#include <QSize>
#include <QString>

#include <functional>

namespace plenarvo {

class DecodeQueue;

// The picture of a clicked thumbnail, read from its file and its header checked;
// the full-screen view decodes what it shows of it.
struct OpenedPicture {
    QString path;
    pictures::Picture picture;
    QString error;  // why the file could not be read, when it could not

    bool ok() const { return !picture.isNull() && error.isEmpty(); }
};

// Reads one clicked picture on the worker of its own DecodeQueue, so that a large
// file never holds up the sheet. The last click wins: open() drops a read under
// way for another file (it stops where it is) and ignores one for the same file.
// The result reaches `onOpened` on the user-interface thread, from the event
// loop, never from inside open(). Destroying the opener (or drop()) forgets a
// read under way without waiting: its result is never delivered.
class PictureOpener final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const OpenedPicture&)>;

    explicit PictureOpener(Handler onOpened, QObject* parent = nullptr);
    ~PictureOpener() override;

    // Starts reading `path`, unless that very file is being read already.
    void open(const QString& path);
    bool busy() const;
    // Forgets the read under way, if any.
    void drop();
    // Blocks until the read under way has finished; its result still comes by
    // the event loop. For tests, which must know when the worker is done.
    void waitForDone();

    // Reads on the calling thread.
    static OpenedPicture read(const QString& path);

private:
    Handler onOpened_;
    DecodeQueue* queue_;
    QString reading_;  // the file being read
};

}  // namespace plenarvo
