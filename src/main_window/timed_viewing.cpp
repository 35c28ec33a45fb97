#include "main_window/frm_image.h"
#include "timed_viewing/slide_order.h"

#include <algorithm>

namespace plenarvo {

void FrmImage::wireTimedViewing() {
    chkTimed->onClick = [this] { chkTimed_Click(); };
    connect(txtSeconds, &QLineEdit::textChanged, this, [this] { txtSeconds_Change(); });
    txtSeconds->onClick = [this] { txtSeconds_Click(); };
    txtSeconds->onKeyPress = [this](int& code) { txtSeconds_KeyPress(code); };
    txtSeconds->onOtherEdit = [this](const QString& inserted) {
        return txtSeconds_OtherEdit(inserted);
    };
    Timer1->setOnTick([this] { Timer1_Timer(); });
    mnuOptViewCon->onClick = [this] { mnuOptViewCon_Click(); };
    mnuOptViewRnd->onClick = [this] { mnuOptViewRnd_Click(); };
}

// Runs on every change of the box's value, by the user or by the program. It
// does not look at the value: checking and clearing run the same steps.
void FrmImage::chkTimed_Click() {
    if (chkTimed->value() == 0) {
        showFailureTold_ = false;  // the show has ended; the next one may tell again
    }
    fileCount_ = static_cast<qint16>(std::min(filPic->listCount(), 32767));
    if (fileCount_ >= 1) {
        if (mnuOptViewRnd->checked()) {
            mnuOptViewCon->setChecked(false);
            mnuOptViewRnd_Click();
        } else {
            mnuOptViewCon->setChecked(true);
            // Consecutive order starts again with the first file.
            filPic->setListIndex(-1);
            mnuOptViewRnd->setChecked(false);
            mnuOptViewCon_Click();
        }
        return;
    }
    showMessage(QStringLiteral("No Images to Show in File Directory."),
                QStringLiteral("No Image Presant"), platform::MessageIcon::Exclamation);
    // When the box was checked, this runs the handling once more, which finds no
    // pictures again.
    chkTimed->setValue(0);
}

void FrmImage::Timer1_Timer() {
    Timer1->setEnabled(false);
    if (awaitedSlide_) {
        // The picture on show is still being read: the tick is held, and comes
        // one interval after that picture has shown.
        tickHeld_ = true;
        return;
    }
    if (mnuOptViewCon->checked()) {
        mnuOptViewCon_Click();
    } else if (mnuOptViewRnd->checked()) {
        chkTimed_Click();
    }
    // Neither order checked: the timer stays off and the show stops.
}

void FrmImage::txtSeconds_Change() {
    secondsValue_ = static_cast<qint16>(secondsFromText(txtSeconds->text(), txtSeconds->tag));
    // The new interval counts from now, also while the show runs; 0 never fires.
    Timer1->setInterval(secondsValue_ * 1000);
}

namespace {

const QString& timersEngagedText() {
    static const QString text =
        QStringLiteral("Please Un-check the timed view box to 'dis-engage' timers before") +
        QChar(0x0D) + QStringLiteral(" you make a change to the time in seconds Value.");
    return text;
}

}  // namespace

void FrmImage::txtSeconds_Click() {
    if (chkTimed->value() == 1) {
        showMessage(timersEngagedText(), QStringLiteral("The Timers are Engaged"),
                    platform::MessageIcon::Exclamation);
        chkTimed->setFocus();
    }
}

void FrmImage::txtSeconds_KeyPress(int& keyAscii) {
    if (chkTimed->value() == 1) {
        // A warning only: the key is still typed if it is a digit.
        showMessage(timersEngagedText(), QStringLiteral("The Timers are Engaged"),
                    platform::MessageIcon::Exclamation);
    }
    const bool digit = keyAscii >= '0' && keyAscii <= '9';
    if (keyAscii != 8 && !digit) {
        keyAscii = 0;
        showKeyPressError();
    }
}

bool FrmImage::txtSeconds_OtherEdit(const QString& inserted) {
    const bool digits = std::all_of(inserted.begin(), inserted.end(),
                                    [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (chkTimed->value() == 1) {
        showMessage(timersEngagedText(), QStringLiteral("The Timers are Engaged"),
                    platform::MessageIcon::Exclamation);
    }
    if (!digits) {
        showKeyPressError();
    }
    return digits;
}

void FrmImage::showKeyPressError() {
    showMessage(QStringLiteral("You only may use number values up to 99 Seconds"),
                QStringLiteral("Key Press Error"), platform::MessageIcon::Critical);
}

}  // namespace plenarvo
