#include "support/fakes/fake_platform.h"

#include <QDir>

namespace plenarvo::testing {

void FakeMessageBoxes::show(const QString& text, const QString& title, platform::MessageIcon icon) {
    shown.append({text, title, icon});
    if (whileOpen) {
        whileOpen(shown.last());
    }
}

QStringList FakeMessageBoxes::texts() const {
    QStringList out;
    for (const auto& m : shown) {
        out << m.text;
    }
    return out;
}

platform::Drive FakeDrives::driveOf(const QString& path) {
    platform::Drive best = drives.value(0);
    const QString clean = QDir::cleanPath(path);
    for (const auto& d : drives) {
        if ((clean == d.root || clean.startsWith(d.root + QLatin1Char('/'))) &&
            d.root.size() > best.root.size()) {
            best = d;
        }
    }
    return best;
}

float FakeRandom::draw() {
    const float r = script.isEmpty() ? 0.0F : script[draws % script.size()];
    ++draws;
    return r;
}

std::optional<float> FakeRandom::drawAfterReseed(double) const {
    return script.isEmpty() ? 0.0F : script[draws % script.size()];
}

}  // namespace plenarvo::testing
