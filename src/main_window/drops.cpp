#include "main_window/frm_image.h"
#include "pictures/file_names.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

namespace plenarvo {

void FrmImage::wireDrops() {
    // The window takes every drop itself: the text boxes would otherwise take a
    // dropped file's name as text.
    setAcceptDrops(true);
    for (QLineEdit* box : findChildren<QLineEdit*>()) {
        box->setAcceptDrops(false);
    }
}

void FrmImage::openGiven(const QString& path) {
    if (pictures::fileKind(path) != pictures::FileKind::Folder) {
        openGivenPicture(path);
        return;
    }
    QString error;
    if (!dirPic->setPath(path, &error)) {
        showMessage(error, QStringLiteral("Folder Not Opened"), platform::MessageIcon::Exclamation);
    }
}

QString FrmImage::dropTarget(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile()) {
        return {};
    }
    // The path's own bytes: the name may not be valid UTF-8.
    const QString path = pictures::localFileOfUrl(url);
    if (path.isEmpty()) {
        return {};
    }
    const QFileInfo info(path);  // only its parts
    const pictures::FileKind kind = pictures::fileKind(path);
    if (kind == pictures::FileKind::Folder) {
        return info.absoluteFilePath();
    }
    if (kind == pictures::FileKind::Regular && !info.fileName().startsWith(u'.') &&
        controls::FileList::pictureExtensions().contains(info.suffix().toLower())) {
        return info.absoluteFilePath();
    }
    return {};
}

void FrmImage::dragEnterEvent(QDragEnterEvent* event) {
    if (dropTarget(event->mimeData()).isEmpty()) {
        event->ignore();  // the cursor shows the drop is refused
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FrmImage::dragMoveEvent(QDragMoveEvent* event) {
    if (dropTarget(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FrmImage::dropEvent(QDropEvent* event) {
    const QString target = dropTarget(event->mimeData());
    const bool timed = chkTimed->value() == 1;
    if (target.isEmpty() || timed) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
    } else {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
    if (target.isEmpty()) {
        return;
    }
    // The drop ends first, so the program the drag came from is not held while a
    // message box of ours waits for the user.
    QMetaObject::invokeMethod(
        this,
        [this, target, timed] {
            if (timed) {
                drvPic_GotFocus();  // the timed-viewing warning; the folder stays
                return;
            }
            openGiven(target);
        },
        Qt::QueuedConnection);
}

}  // namespace plenarvo
