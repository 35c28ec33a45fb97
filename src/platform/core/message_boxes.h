#pragma once

#include <QString>

namespace plenarvo::platform {

enum class MessageIcon { None, Exclamation, Critical, Information };

// Modal message boxes with a single OK button. show() returns when the user has
// closed the box; timers keep firing while it is open.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void show(const QString& text, const QString& title, MessageIcon icon) = 0;
};

}  // namespace plenarvo::platform
