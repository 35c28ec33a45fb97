#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"
#include "pictures/file_names.h"
#include "timed_viewing/slide_ahead.h"
#include "timed_viewing/slide_order.h"

namespace plenarvo {

void FrmImage::mnuOptViewCon_Click() {
    mnuOptViewRnd->setChecked(false);
    mnuOptViewCon->setChecked(true);
    SaveSettings();
    if (filPic->listCount() == 0) {
        LookAhead();
        return;
    }
    SelectNextFile();  // on every run, also with the show off
    if (chkTimed->value() == 1 && mnuOptViewCon->checked()) {
        ShowSelectedFile();
        ArmShow();
    }
    LookAhead();
    TellShowFailure();
}

void FrmImage::mnuOptViewRnd_Click() {
    mnuOptViewRnd->setChecked(true);
    mnuOptViewCon->setChecked(false);
    // The values the file gets below are taken here. Nothing that the nested run
    // through the check box does changes them (it sets the same check marks), so
    // writing the controls as they stand then writes these values.
    if (mnuOptViewRnd->checked()) {
        // With the box unchecked this runs its handling, which runs this handler
        // once more, nested: it shows a first picture and arms the timer before
        // this run goes on.
        chkTimed->setValue(1);
    }
    SaveSettings();
    const int n = filPic->listCount();
    if (n == 0) {
        LookAhead();
        return;
    }
    filPic->setListIndex(
        stepIndex(ViewOrder::Random, filPic->listIndex(), n, *forms_.platform().random));
    ShowSelectedFile();  // whatever the state of the box
    if (chkTimed->value() == 1) {
        ArmShow();
        SaveSettings();
    }
    LookAhead();
    TellShowFailure();
}

bool FrmImage::ShowSelectedFile() {
    const QString name = filPic->fileName();
    const QString path = filPic->fullPath(name);
    const QSize previewSize = imgImage->pixelSize();
    if (!slideAhead_) {
        slideAhead_ = new SlideAhead(this);
    }
    QString error;
    bool loaded = false;
    if (std::optional<DecodedSlide> slide = slideAhead_->take(path, previewSize)) {
        // Decoded ahead: what loadPreview does, with the decoding already done.
        loaded = slide->ok();
        if (loaded) {
            lblImage->setText(pictures::shownFileName(name));
            imgImage->setPicture(slide->picture, slide->preview);
        } else {
            error = slide->error;
        }
    } else {
        loaded = loadPreview(path, name, &error);
    }
    if (!loaded && showFailure_.isEmpty()) {
        showFailure_ = QStringLiteral(
                           "The picture %1 cannot be shown. %2\nTimed viewing goes on "
                           "with the next picture; pictures that cannot be shown later "
                           "in this show are passed over without a message.")
                           .arg(name, error);
    }
    // A picture that could not be loaded leaves the preview as it was, and the
    // view shows what the preview holds. Touching the view loads it.
    forms_.get<FrmFullView>().showSlide(imgImage->picture());
    return loaded;
}

void FrmImage::ArmShow() {
    Timer1->setEnabled(true);
    // Modeless; the main window is not hidden, the maximized view covers it.
    forms_.get<FrmFullView>().showSlides();
}

void FrmImage::LookAhead() {
    if (!slideAhead_) {
        slideAhead_ = new SlideAhead(this);
    }
    const int n = filPic->listCount();
    int next = -1;
    if (chkTimed->value() == 1 && Timer1->enabled() && Timer1->interval() > 0 && n > 0) {
        if (mnuOptViewCon->checked() || mnuOptViewRnd->checked()) {
            const ViewOrder order =
                mnuOptViewCon->checked() ? ViewOrder::Consecutive : ViewOrder::Random;
            next = predictedIndex(order, filPic->listIndex(), n, *forms_.platform().random)
                       .value_or(-1);
        }
    }
    if (next < 0) {
        slideAhead_->drop();  // no tick to come: hold nothing
        return;
    }
    slideAhead_->request(filPic->fullPath(filPic->list(next)), imgImage->pixelSize());
}

void FrmImage::TellShowFailure() {
    if (showFailure_.isEmpty()) {
        return;
    }
    const QString text = std::exchange(showFailure_, QString());
    if (showFailureTold_) {
        return;
    }
    // Told after the timer is armed, so the show goes on behind the box; later
    // failures in the same show are not told again, so boxes never stack up.
    showFailureTold_ = true;
    showMessage(text, QStringLiteral("Picture Not Loaded"), platform::MessageIcon::Exclamation);
}

}  // namespace plenarvo
