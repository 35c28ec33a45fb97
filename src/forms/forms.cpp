#include "forms/forms.h"

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

Forms::Forms(platform::Platform& platform) : platform_(platform) {}

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
    Form& main = form(Window::Image);
    if (!ended_) {
        main.showMaximized();
    }
}

Form& Forms::form(Window w) {
    Form*& slot = slots_[index(w)];
    if (!slot) {
        const Factory factory = factories_[index(w)];
        if (!factory) {
            qFatal("Plenarvo: window %d is referenced but was never defined",
                   static_cast<int>(index(w)));
        }
        Form* made = factory(*this);
        slot = made;
        made->Form_Load();
        return *made;
    }
    return *slot;
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
    // Windows whose deferred deletion has run are gone from the list.
    std::erase_if(discarded_, [](const QPointer<Form>& gone) { return gone.isNull(); });
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
