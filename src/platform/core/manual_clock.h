#pragma once

#include "platform/core/timer.h"

#include <cstdint>
#include <list>

namespace plenarvo::platform {

// A clock that only moves when told to: advance(ms) fires every timer that falls
// due within that time, in time order, with the clock standing at each timer's
// due moment while its handler runs. Handlers may start, stop or change timers,
// and may advance the clock themselves (a message box that stays "open" while
// time passes).
class ManualClock final : public Clock {
public:
    std::unique_ptr<TimerBackend> makeBackend(std::function<void()> fire) override;

    void advance(std::int64_t ms);
    std::int64_t now() const { return now_; }

private:
    struct Entry {
        std::function<void()> fire;
        std::int64_t due = 0;
        int interval = 0;
        bool running = false;
        bool alive = true;
    };
    class Backend;
    friend class Backend;

    std::list<Entry> entries_;
    std::int64_t now_ = 0;
};

}  // namespace plenarvo::platform
