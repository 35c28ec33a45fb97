#include "main_window/frm_image.h"
#include "pictures/file_names.h"
#include "timed_viewing/slide_order.h"

#include <QDir>
#include <QFileInfo>

namespace plenarvo {

void FrmImage::drvPic_Change() {
    const QString drive = drvPic->drive();
    QString error;
    // A volume removed since the list was read is a drive that is not ready,
    // even where its empty mount folder is still there.
    const bool mounted = drvPic->isMounted(drive);
    if (!mounted) {
        error = QStringLiteral("It is no longer mounted.");
        drvPic->refresh();
    }
    if (!mounted || !dirPic->setPath(drive, &error)) {
        // The drive cannot be read: say so, and show the drive of the open folder again.
        showMessage(QStringLiteral("The drive %1 cannot be read: %2")
                        .arg(QDir::toNativeSeparators(drive), error),
                    QStringLiteral("Drive Not Ready"), platform::MessageIcon::Exclamation);
        drvPic->showDriveOf(dirPic->path());
    }
}

// While timed viewing is on, the folder lists warn the user off changing folders.
void FrmImage::drvPic_GotFocus() {
    if (chkTimed->value() == 1) {
        showMessage(QStringLiteral("Timed Viewing must be unchecked before changing Folders"),
                    QStringLiteral("Timed View Checked"), platform::MessageIcon::Exclamation);
        chkTimed->setFocus();
    }
}

void FrmImage::dirPic_Click() {
    drvPic_GotFocus();
}

bool FrmImage::refuseFolderChange() {
    if (chkTimed->value() != 1) {
        return false;
    }
    drvPic_GotFocus();  // warns and hands the focus to the check box
    return true;
}

void FrmImage::dirPic_Change() {
    QString error;
    if (!filPic->setPath(dirPic->path(), &error)) {
        showMessage(error, QStringLiteral("Folder Not Opened"), platform::MessageIcon::Exclamation);
    }
    txtFileCount->setText(QString::number(filPic->listCount()));
}

void FrmImage::filPic_DblClick() {
    cmdShow_Click();
}

void FrmImage::openGivenPicture(const QString& file) {
    const QFileInfo info(file);  // only its parts: the name may not be valid UTF-8
    const QString shown = QDir::toNativeSeparators(pictures::shownFileName(file));
    QString error;
    if (pictures::fileKind(file) != pictures::FileKind::Regular ||
        !dirPic->setPath(info.absolutePath(), &error)) {
        showMessage(QStringLiteral("The picture %1 cannot be opened.").arg(shown),
                    QStringLiteral("Picture Not Loaded"), platform::MessageIcon::Exclamation);
        return;
    }
    for (int i = 0; i < filPic->listCount(); ++i) {
        if (filPic->list(i) == info.fileName()) {
            filPic->setListIndex(i);
            cmdShow_Click();
            return;
        }
    }
    // The folder opened, but its list leaves the file out.
    showMessage(QStringLiteral("The file %1 is not among the pictures the folder lists: hidden "
                               "files and files of other kinds are left out.")
                    .arg(shown),
                QStringLiteral("Picture Not Loaded"), platform::MessageIcon::Exclamation);
}

void FrmImage::SelectNextFile() {
    const int n = filPic->listCount();
    if (!mnuOptViewCon->checked()) {
        return;
    }
    filPic->setListIndex(
        stepIndex(ViewOrder::Consecutive, filPic->listIndex(), n, *forms_.platform().random));
}

}  // namespace plenarvo
