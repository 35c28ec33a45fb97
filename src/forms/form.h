#pragma once

#include "platform/core/timer.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace plenarvo {

class Forms;

// A window of the program. It is created and loaded on its first reference
// through Forms, and unloaded through Forms, which runs its unload steps and
// discards it; the next reference loads a fresh one.
class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(Forms& forms);
    ~Form() override;

    // The load steps, run once right after the window is created.
    virtual void Form_Load() {}
    // The unload steps, run whenever the window is unloaded, whoever unloads it.
    virtual void Form_Unload() {}

    // Stops every timer of the window (it is being discarded).
    void stopTimers();

protected:
    Forms& forms_;
    platform::Timer* makeTimer(int intervalMs, bool enabled, std::function<void()> onTick);

private:
    friend class Forms;
    bool unloading_ = false;
    std::vector<std::unique_ptr<platform::Timer>> timers_;
};

}  // namespace plenarvo
