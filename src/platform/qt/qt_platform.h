#pragma once

#include "platform/core/drives.h"
#include "platform/core/message_boxes.h"
#include "platform/core/timer.h"

#include <QPointer>
#include <QWidget>

namespace plenarvo::platform {

// Timers driven by the Qt event loop.
class QtClock final : public Clock {
public:
    std::unique_ptr<TimerBackend> makeBackend(std::function<void()> fire) override;
};

// Modal message boxes. Each box runs its own event loop, so timers keep firing
// while it is open. The box is parented to the active window when there is one
// and survives that window going away while it is open.
class QtMessageBoxes final : public MessageBoxes {
public:
    void show(const QString& text, const QString& title, MessageIcon icon) override;
};

// The mounted volumes, the root first; pseudo file systems are left out.
class QtDrives final : public Drives {
public:
    QList<Drive> list() override;
};

}  // namespace plenarvo::platform
