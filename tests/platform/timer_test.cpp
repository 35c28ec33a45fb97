#include "platform/core/timer.h"
#include "platform/core/manual_clock.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace plenarvo::platform {
namespace {

// Two window timers on a manual clock, `a` (100 ms, on) made before `b`
// (100 ms, off); every tick is written down with the clock's time.
struct Rig {
    ManualClock clock;
    std::string log;
    std::function<void()> extraA;  // run inside a's tick
    std::unique_ptr<Timer> a = std::make_unique<Timer>(clock, 100, true);
    Timer b{clock, 100, false};

    Rig() {
        a->setOnTick([this] {
            log += "a" + std::to_string(clock.now()) + " ";
            const auto extra = extraA;  // it may replace itself
            if (extra) {
                extra();
            }
        });
        b.setOnTick([this] { log += "b" + std::to_string(clock.now()) + " "; });
    }
};

TEST(Timer, TicksAsTheManualClockRuns) {
    struct Case {
        const char* behaviour;
        std::function<void(Rig&)> run;
        const char* ticks;
    };
    const Case cases[] = {
        {"one advance over several periods ticks once a period, each at its moment",
         [](Rig& r) { r.clock.advance(350); }, "a100 a200 a300 "},
        {"small steps tick at the same moments",
         [](Rig& r) {
             for (int i = 0; i < 7; ++i) {
                 r.clock.advance(50);
             }
         },
         "a100 a200 a300 "},
        {"an interval of 0 stops the timer",
         [](Rig& r) {
             r.clock.advance(150);
             r.a->setInterval(0);
             r.clock.advance(1000);
         },
         "a100 "},
        {"a negative interval counts as 0",
         [](Rig& r) {
             r.a->setInterval(-5);
             r.clock.advance(1000);
             r.log += std::to_string(r.a->interval());
         },
         "0"},
        {"a disabled timer does not tick, and its count does not run on",
         [](Rig& r) {
             r.clock.advance(50);
             r.a->setEnabled(false);
             r.clock.advance(500);
         },
         ""},
        {"enabling again counts the whole interval from then",
         [](Rig& r) {
             r.clock.advance(50);
             r.a->setEnabled(false);
             r.clock.advance(20);
             r.a->setEnabled(true);
             r.clock.advance(230);
         },
         "a170 a270 "},
        {"enabling a running timer restarts its count",
         [](Rig& r) {
             r.clock.advance(60);
             r.a->setEnabled(true);
             r.clock.advance(140);
         },
         "a160 "},
        {"a new interval while running counts from now",
         [](Rig& r) {
             r.clock.advance(50);
             r.a->setInterval(300);
             r.clock.advance(700);
         },
         "a350 a650 "},
        {"a new interval while disabled starts nothing",
         [](Rig& r) {
             r.a->setEnabled(false);
             r.a->setInterval(30);
             r.clock.advance(100);
         },
         ""},
        {"disabling inside the tick ends the ticks",
         [](Rig& r) {
             r.extraA = [&r] { r.a->setEnabled(false); };
             r.clock.advance(1000);
         },
         "a100 "},
        {"disabled and enabled again inside the tick, it counts from the tick",
         [](Rig& r) {
             r.extraA = [&r] {
                 r.a->setEnabled(false);
                 r.a->setEnabled(true);
             };
             r.clock.advance(300);
         },
         "a100 a200 a300 "},
        {"two timers due at the same moment tick in the order they were made",
         [](Rig& r) {
             r.b.setEnabled(true);
             r.clock.advance(200);
         },
         "a100 b100 a200 b200 "},
        {"the timer due first ticks first, whatever the order they were made in",
         [](Rig& r) {
             r.b.setInterval(40);
             r.b.setEnabled(true);
             r.clock.advance(100);
         },
         "b40 b80 a100 "},
        {"a tick that lets time pass (a box left open) lets other timers tick inside it",
         [](Rig& r) {
             r.b.setEnabled(true);
             r.extraA = [&r] {
                 r.extraA = nullptr;
                 r.clock.advance(150);
             };
             r.clock.advance(300);
         },
         "a100 b100 a200 b200 a300 b300 "},
        {"a timer destroyed inside its own tick ticks no more",
         [](Rig& r) {
             r.b.setEnabled(true);
             r.extraA = [&r] { r.a.reset(); };
             r.clock.advance(200);
         },
         "a100 b100 b200 "},
    };
    for (const Case& c : cases) {
        Rig rig;
        c.run(rig);
        EXPECT_EQ(rig.log, c.ticks) << c.behaviour;
    }
}

}  // namespace
}  // namespace plenarvo::platform
