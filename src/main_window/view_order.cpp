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
        slideAhead_->onArrived = [this] { slideArrived(); };
    }
    // Touching the view loads it.
    FrmFullView& view = forms_.get<FrmFullView>();
    if (std::optional<DecodedSlide> slide = slideAhead_->take(path, previewSize)) {
        awaitedSlide_.reset();
        showSlide(name, *slide);
        return slide->ok();
    }
    // Not read yet: it is read on the worker, and the preview and the view take
    // it when it arrives; the view does not show before.
    awaitedSlide_ = AwaitedSlide{name, path, previewSize};
    slideAhead_->request(path, previewSize, true);
    view.awaitSlide();
    return true;
}

// What loadPreview does, with the decoding done on the worker; then the view's
// picture box takes the same picture.
void FrmImage::showSlide(const QString& name, const DecodedSlide& slide) {
    QImage natural;
    if (slide.ok()) {
        lblImage->setText(pictures::shownFileName(name));
        imgImage->setPicture(slide.picture, slide.preview);
        natural = slide.natural;
    } else if (showFailure_.isEmpty()) {
        showFailure_ = QStringLiteral(
                           "The picture %1 cannot be shown. %2\nTimed viewing goes on "
                           "with the next picture; pictures that cannot be shown later "
                           "in this show are passed over without a message.")
                           .arg(name, slide.error);
    }
    // A picture that could not be loaded leaves the preview as it was, and the
    // view shows what the preview holds. A slide that arrives after the show has
    // ended is not the business of a view opened since (from the sheet, say).
    if (forms_.isLoaded(Window::FullView)) {
        FrmFullView& view = forms_.get<FrmFullView>();
        if (chkTimed->value() == 1 || view.awaitingSlide()) {
            view.showSlide(imgImage->picture(), natural);
        }
    }
}

void FrmImage::slideArrived() {
    if (!awaitedSlide_) {
        return;  // read ahead for a tick to come
    }
    const AwaitedSlide awaited = *std::exchange(awaitedSlide_, std::nullopt);
    std::optional<DecodedSlide> slide = slideAhead_->collect(awaited.path, awaited.previewSize);
    if (!slide) {
        return;
    }
    showSlide(awaited.name, *slide);
    // The interval counts from the moment the picture shows; a tick that came
    // while it was read comes one interval from now (at once, when the show has
    // been switched off meanwhile: it still moves the selection).
    const bool held = std::exchange(tickHeld_, false);
    if (chkTimed->value() == 1 && (Timer1->enabled() || held)) {
        Timer1->setEnabled(true);
    }
    LookAhead();
    TellShowFailure();
    if (held && chkTimed->value() == 0) {
        Timer1_Timer();
    }
}

void FrmImage::ArmShow() {
    Timer1->setEnabled(true);
    // Modeless; the main window is not hidden, the maximized view covers it.
    forms_.get<FrmFullView>().showSlides();
}

void FrmImage::LookAhead() {
    if (awaitedSlide_) {
        return;  // the worker reads the picture on its way first
    }
    if (!slideAhead_) {
        slideAhead_ = new SlideAhead(this);
        slideAhead_->onArrived = [this] { slideArrived(); };
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
