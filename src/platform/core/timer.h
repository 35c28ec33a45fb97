#pragma once

#include <functional>
#include <memory>

namespace plenarvo::platform {

// What drives a timer: the Qt event loop in the program, a manual clock in tests.
class TimerBackend {
public:
    virtual ~TimerBackend() = default;
    // Counts `ms` from now and fires every `ms` until stopped.
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::unique_ptr<TimerBackend> makeBackend(std::function<void()> fire) = 0;
};

// A window timer: an interval in milliseconds, an enabled flag and a tick handler.
// It fires on its interval while enabled. Enabling it, or changing the interval
// while enabled, starts the count again; an interval of 0 never fires. Ticks only
// ever run between events, never inside a handler.
class Timer {
public:
    Timer(Clock& clock, int intervalMs, bool enabled);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setOnTick(std::function<void()> handler) { onTick_ = std::move(handler); }
    int interval() const { return interval_; }
    void setInterval(int ms);
    bool enabled() const { return enabled_; }
    void setEnabled(bool on);

private:
    void restart();
    void fire();

    int interval_;
    bool enabled_;
    std::function<void()> onTick_;
    std::unique_ptr<TimerBackend> backend_;
};

}  // namespace plenarvo::platform
