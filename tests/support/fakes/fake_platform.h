#pragma once

#include "platform/core/manual_clock.h"
#include "platform/core/platform.h"

#include <QList>
#include <QString>

#include <functional>

namespace plenarvo::testing {

// A message box the program showed.
struct ShownMessage {
    QString text;
    QString title;
    platform::MessageIcon icon;
};

// Records every message box. A test may give it something to do while a box is
// "open", such as advancing the clock so that timers fire behind the box.
class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    void show(const QString& text, const QString& title, platform::MessageIcon icon) override;
    QList<ShownMessage> shown;
    std::function<void(const ShownMessage&)> whileOpen;
    QStringList texts() const;
};

// Drives as a test lays them out: each a root folder, possibly one that is gone.
class FakeDrives final : public platform::Drives {
public:
    QList<platform::Drive> list() override { return drives; }
    platform::Drive driveOf(const QString& path) override;
    QList<platform::Drive> drives{{QStringLiteral("/"), QStringLiteral("/")}};
};

// Draws from a script, in turn; re-seeds are recorded.
class FakeRandom final : public platform::Random {
public:
    void reseed(double number) override { reseeds.append(number); }
    float draw() override;
    // Re-seeding does not change the script, so the next draw is the next entry.
    std::optional<float> drawAfterReseed(double number) const override;
    QList<float> script;
    QList<double> reseeds;
    int draws = 0;
};

}  // namespace plenarvo::testing
