#pragma once

#include "platform/core/drives.h"
#include "platform/core/message_boxes.h"
#include "platform/core/random.h"
#include "platform/core/timer.h"

#include <QString>

namespace plenarvo::platform {

class Dialogs;
class Printer;
class Help;
class Registry;
class ProgramStarter;

// Everything the windows reach outside themselves, in one bundle handed to the
// windows at start. The program fills it with the Qt implementations; tests with
// fakes that record what was asked and answer from a script.
struct Platform {
    Clock* clock = nullptr;
    MessageBoxes* messages = nullptr;
    Drives* drives = nullptr;
    Random* random = nullptr;
    Dialogs* dialogs = nullptr;
    Printer* printer = nullptr;
    Help* help = nullptr;
    Registry* registry = nullptr;
    ProgramStarter* programs = nullptr;
    QString settingsPath;    // the settings file
    QString fallbackFolder;  // opened when the default folder cannot be
};

}  // namespace plenarvo::platform
