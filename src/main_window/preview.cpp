#include "main_window/frm_image.h"
#include "pictures/file_names.h"

#include <QDir>

namespace plenarvo {

void FrmImage::cmdShow_Click() {
    const QString name = filPic->fileName();
    if (name.isEmpty()) {
        showMessage(QStringLiteral("You must select a picture!"),
                    QStringLiteral("No File Selected"), platform::MessageIcon::Exclamation);
        return;
    }
    QString error;
    if (!loadPreview(filPic->fullPath(name), name, &error)) {
        showMessage(QStringLiteral("The picture %1 cannot be shown. %2")
                        .arg(pictures::shownFileName(name), error),
                    QStringLiteral("Picture Not Loaded"), platform::MessageIcon::Exclamation);
    }
}

bool FrmImage::loadPreview(const QString& path, const QString& name, QString* error) {
    const QString previousName = lblImage->text();
    lblImage->setText(pictures::shownFileName(name));
    pictures::Picture picture = pictures::Picture::fromFile(path, error);
    QImage shown;
    if (!picture.isNull()) {
        // Decoded straight at the size the preview shows it.
        shown = picture.scaled(imgImage->pixelSize(), error);
    }
    if (shown.isNull()) {
        // The preview keeps its picture, so the label goes back to its name:
        // Save As and Print must never pair one picture with another's name.
        lblImage->setText(previousName);
        return false;
    }
    imgImage->setPicture(picture, shown);
    return true;
}

}  // namespace plenarvo
