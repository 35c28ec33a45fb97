#include "main_window/frm_image.h"
#include "pictures/file_names.h"
#include "pictures/regular_file.h"
#include "platform/core/dialogs.h"
#include "platform/core/printer.h"
#include "platform/core/write_errors.h"

#include <QDir>
#include <QSaveFile>

#include <sys/stat.h>

#include <cerrno>

namespace plenarvo {

namespace {

const QString kSaveFilter = QStringLiteral(
    "Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|Metafiles (*.wmf)|*wmf|GIF Files (*.gif)|*.gif");

// Writes `data` to `path` through a temporary file that is renamed into place
// only when every byte is written, so a failed write leaves any file already
// there as it was.
bool writeWhole(const QString& path, const QByteArray& data, QString* error) {
    // A name that leads to a pipe, a device or a socket is no file to save into:
    // the temporary file would be renamed over it, or over the device a link
    // leads to.
    struct stat st {};
    if (::stat(pictures::fileNameBytes(path).constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        *error = pictures::notAFileMessage();
        return false;
    }
    QSaveFile file(path);
    // The system's error number says why (a full disk, a name too long...); Qt's
    // own text for it is often "Unknown error".
    errno = 0;
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        *error = platform::writeFailureMessage(errno, file.errorString());
        return false;
    }
    return true;
}

}  // namespace

void FrmImage::wireFileCommands() {
    mnuFileSaveAs->onClick = [this] { mnuFileSaveAs_Click(); };
    mnuFilePrint->onClick = [this] { mnuFilePrint_Click(); };
}

void FrmImage::mnuFileSaveAs_Click() {
    platform::SaveDialogRequest request;
    request.fileName = pictures::shownFileName(filPic->fileName());
    request.folder = filPic->path();
    request.filter = kSaveFilter;
    request.filterIndex = 1;
    request.title = QStringLiteral("File SaveAs");
    request.flags = platform::kSaveOverwritePrompt | platform::kSavePathMustExist;
    request.defaultExtension = QStringLiteral(".jpg");
    const std::optional<QString> chosen = forms_.platform().dialogs->saveFile(this, request);
    if (!chosen || chosen->isEmpty()) {
        return;  // cancelled: nothing is saved
    }
    const QString path = platform::withDefaultExtension(*chosen, request.defaultExtension);

    // The picture as the preview holds it now: the slide show may have moved on
    // while the dialog was open. Bitmaps, icons and metafiles keep their own
    // format; GIF and JPEG pictures are written as bitmap data, whatever the name.
    const pictures::Picture picture = imgImage->picture();
    QString error;
    const QByteArray data = picture.saveData(&error);
    if (!data.isEmpty() && writeWhole(path, data, &error)) {
        return;
    }
    showMessage(QStringLiteral("The picture could not be saved as %1.\n%2\nAny file of that name "
                               "is left as it was.")
                    .arg(QDir::toNativeSeparators(path), error),
                QStringLiteral("Picture Not Saved"), platform::MessageIcon::Exclamation);
}

void FrmImage::mnuFilePrint_Click() {
    platform::Printer& printer = *forms_.platform().printer;
    // A cancelled dialog ends the command without a word.
    const int copies = printer.showPrintDialog(this, QStringLiteral("Print"));
    if (copies <= 0) {
        return;
    }
    const QImage picture = imgImage->picture().srgbImage();  // printers take sRGB
    if (picture.isNull()) {
        return;
    }
    // One job per copy; a failed job ends the command, and copies sent stay sent.
    for (int copy = 1; copy <= copies; ++copy) {
        if (!printer.printPicture(picture, QPoint(0, 0))) {
            return;
        }
    }
}

}  // namespace plenarvo
