#include "platform/core/timer.h"

namespace plenarvo::platform {

Timer::Timer(Clock& clock, int intervalMs, bool enabled)
    : interval_(intervalMs), enabled_(enabled), backend_(clock.makeBackend([this] { fire(); })) {
    restart();
}

void Timer::setInterval(int ms) {
    interval_ = ms < 0 ? 0 : ms;
    restart();
}

void Timer::setEnabled(bool on) {
    enabled_ = on;
    restart();
}

void Timer::restart() {
    if (enabled_ && interval_ > 0) {
        backend_->start(interval_);
    } else {
        backend_->stop();
    }
}

void Timer::fire() {
    if (enabled_ && interval_ > 0 && onTick_) {
        // The handler may delete the window that owns this timer; copy it first.
        auto handler = onTick_;
        handler();
    }
}

}  // namespace plenarvo::platform
