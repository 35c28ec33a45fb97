#include "app/forms.h"

#include "about/frm_splash.h"
#include "app/command_line.h"
#include "full_view/frm_full_view.h"
#include "main_window/frm_image.h"

#include <QCoreApplication>
#include <QEvent>

namespace plenarvo {

Form::Form(Forms& forms) : forms_(forms) {}

Form::~Form() = default;

platform::Timer* Form::makeTimer(int intervalMs, bool enabled, std::function<void()> onTick) {
    auto timer = std::make_unique<platform::Timer>(*forms_.platform().clock, intervalMs, enabled);
    timer->setOnTick(std::move(onTick));
    timers_.push_back(std::move(timer));
    return timers_.back().get();
}

void Form::stopTimers() {
    for (auto& t : timers_) {
        t->setEnabled(false);
    }
}

Forms::Forms(platform::Platform& platform) : platform_(platform) {
    // The About box and the splash screen take the title and version from here.
    nameApplication();
}

Forms::~Forms() {
    ended_ = true;
    for (Form*& slot : slots_) {
        if (slot) {
            slot->stopTimers();
            discarded_.emplace_back(slot);
            slot = nullptr;
        }
    }
    // Windows go in reverse order of creation; a window may own dialogs of others.
    for (auto it = discarded_.rbegin(); it != discarded_.rend(); ++it) {
        delete it->data();
    }
}

void Forms::start() {
    FrmImage& main = image();
    if (!ended_) {
        main.showMaximized();
    }
}

FrmImage& Forms::image() {
    return load<FrmImage>(Window::Image);
}
FrmFullView& Forms::fullView() {
    return load<FrmFullView>(Window::FullView);
}
FrmSplash& Forms::splash() {
    return load<FrmSplash>(Window::Splash);
}

void Forms::unload(Window w) {
    Form* form = slots_[index(w)];
    if (!form || form->unloading_) {
        return;
    }
    form->unloading_ = true;
    form->Form_Unload();
    slots_[index(w)] = nullptr;
    form->stopTimers();
    form->hide();
    discarded_.emplace_back(form);
    form->deleteLater();
}

void Forms::endProgram() {
    if (ended_) {
        return;
    }
    ended_ = true;
    for (Form* slot : slots_) {
        if (slot) {
            slot->stopTimers();
            slot->hide();
        }
    }
    if (onEnd) {
        onEnd();
    }
}

}  // namespace plenarvo
