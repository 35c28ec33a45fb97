#include "platform/core/manual_clock.h"

#include <algorithm>

namespace plenarvo::platform {

class ManualClock::Backend final : public TimerBackend {
public:
    Backend(ManualClock& clock, std::list<Entry>::iterator entry) : clock_(clock), entry_(entry) {}
    ~Backend() override {
        entry_->alive = false;
        entry_->running = false;
    }
    void start(int ms) override {
        entry_->interval = ms;
        entry_->due = clock_.now_ + ms;
        entry_->running = true;
    }
    void stop() override { entry_->running = false; }

private:
    ManualClock& clock_;
    std::list<Entry>::iterator entry_;
};

std::unique_ptr<TimerBackend> ManualClock::makeBackend(std::function<void()> fire) {
    entries_.push_back(Entry{std::move(fire)});
    return std::make_unique<Backend>(*this, std::prev(entries_.end()));
}

void ManualClock::advance(std::int64_t ms) {
    const std::int64_t target = now_ + std::max<std::int64_t>(ms, 0);
    for (;;) {
        auto next = entries_.end();
        for (auto it = entries_.begin(); it != entries_.end(); ++it) {
            if (it->alive && it->running && it->due <= target &&
                (next == entries_.end() || it->due < next->due)) {
                next = it;
            }
        }
        if (next == entries_.end()) {
            break;
        }
        now_ = std::max(now_, next->due);
        next->due = now_ + next->interval;
        auto fire = next->fire;  // the handler may destroy the timer
        fire();
    }
    now_ = std::max(now_, target);
    entries_.remove_if([](const Entry& e) { return !e.alive; });
}

}  // namespace plenarvo::platform
