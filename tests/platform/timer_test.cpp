#include "platform/core/timer.h"
#include "platform/core/manual_clock.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>

namespace plenarvo::platform {
namespace {

// Two window timers on a manual clock, `a` (100 ms, on) made before `b`
// (100 ms, off); every tick is written down with the clock's time.
struct Rig {
    ManualClock clock;
    std::string log;
    std::string inTick;  // steps run inside a's first tick
    std::unique_ptr<Timer> a = std::make_unique<Timer>(clock, 100, true);
    Timer b{clock, 100, false};

    Rig() {
        a->setOnTick([this] {
            note('a');
            run(std::exchange(inTick, {}));
        });
        b.setOnTick([this] { note('b'); });
    }

    // Writes a tick down: the timer's letter and the clock's time.
    void note(char timer) {
        log.append(1, timer).append(std::to_string(clock.now())).append(1, ' ');
    }

    // Steps: "+N" lets N ms pass; "a-on", "a-off" enable and disable a timer;
    // "a=N" sets its interval; "a?" writes the interval down; "a-gone" destroys a.
    void run(const std::string& steps) {
        std::istringstream in(steps);
        std::string step;
        while (in >> step) {
            if (step[0] == '+') {
                clock.advance(std::stoi(step.substr(1)));
                continue;
            }
            if (step == "a-gone") {
                a.reset();
                continue;
            }
            Timer& timer = step[0] == 'b' ? b : *a;
            if (step[1] == '=') {
                timer.setInterval(std::stoi(step.substr(2)));
            } else if (step[1] == '?') {
                log += std::to_string(timer.interval());
            } else {
                timer.setEnabled(step == "a-on" || step == "b-on");
            }
        }
    }
};

TEST(Timer, TicksAsTheManualClockRuns) {
    struct Case {
        const char* behaviour;
        const char* steps;
        const char* inTick;
        const char* ticks;
    };
    const Case cases[] = {
        {"one advance over several periods ticks once a period, each at its moment", "+350", "",
         "a100 a200 a300 "},
        {"small steps tick at the same moments", "+50 +50 +50 +50 +50 +50 +50", "",
         "a100 a200 a300 "},
        {"an interval of 0 stops the timer", "+150 a=0 +1000", "", "a100 "},
        {"a negative interval counts as 0", "a=-5 +1000 a?", "", "0"},
        {"a disabled timer does not tick, and its count does not run on", "+50 a-off +500", "", ""},
        {"enabling again counts the whole interval from then", "+50 a-off +20 a-on +230", "",
         "a170 a270 "},
        {"enabling a running timer restarts its count", "+60 a-on +140", "", "a160 "},
        {"a new interval while running counts from now", "+50 a=300 +700", "", "a350 a650 "},
        {"a new interval while disabled starts nothing", "a-off a=30 +100", "", ""},
        {"disabling inside the tick ends the ticks", "+1000", "a-off", "a100 "},
        {"disabled and enabled again inside the tick, it counts from the tick", "+300",
         "a-off a-on", "a100 a200 a300 "},
        {"two timers due at the same moment tick in the order they were made", "b-on +200", "",
         "a100 b100 a200 b200 "},
        {"the timer due first ticks first, whatever the order they were made in", "b=40 b-on +100",
         "", "b40 b80 a100 "},
        {"a tick that lets time pass (a box left open) lets other timers tick inside it",
         "b-on +300", "+150", "a100 b100 a200 b200 a300 b300 "},
        {"a timer destroyed inside its own tick ticks no more", "b-on +200", "a-gone",
         "a100 b100 b200 "},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.inTick = c.inTick;
        rig.run(c.steps);
        EXPECT_EQ(rig.log, c.ticks) << c.behaviour;
    }
}

}  // namespace
}  // namespace plenarvo::platform
