#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QMessageBox>
#include <QStorageInfo>
#include <QTimer>

namespace plenarvo::platform {

namespace {

class QtTimerBackend final : public TimerBackend {
public:
    explicit QtTimerBackend(std::function<void()> fire) {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [fire = std::move(fire)] { fire(); });
    }
    void start(int ms) override { timer_.start(ms); }
    void stop() override { timer_.stop(); }

private:
    QTimer timer_;
};

bool isPseudo(const QStorageInfo& volume) {
    static const QList<QByteArray> pseudo = {
        "proc",    "sysfs",       "tmpfs",     "devtmpfs",   "devpts",  "cgroup",
        "cgroup2", "overlay",     "squashfs",  "securityfs", "pstore",  "debugfs",
        "tracefs", "mqueue",      "hugetlbfs", "autofs",     "fusectl", "configfs",
        "bpf",     "binfmt_misc", "ramfs",     "nsfs"};
    return pseudo.contains(volume.fileSystemType());
}

}  // namespace

std::unique_ptr<TimerBackend> QtClock::makeBackend(std::function<void()> fire) {
    return std::make_unique<QtTimerBackend>(std::move(fire));
}

void QtMessageBoxes::show(const QString& text, const QString& title, MessageIcon icon) {
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
        case MessageIcon::Exclamation:
            qtIcon = QMessageBox::Warning;
            break;
        case MessageIcon::Critical:
            qtIcon = QMessageBox::Critical;
            break;
        case MessageIcon::Information:
            qtIcon = QMessageBox::Information;
            break;
        case MessageIcon::None:
            break;
    }
    // Held by QPointer: the window it belongs to may be closed while it is open.
    QPointer<QMessageBox> box =
        new QMessageBox(qtIcon, title.isEmpty() ? QApplication::applicationName() : title, text,
                        QMessageBox::Ok, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->exec();
    delete box.data();
}

QList<Drive> QtDrives::list() {
    QList<Drive> drives;
    drives.append({QStringLiteral("/"), QStringLiteral("/")});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || isPseudo(volume) || volume.rootPath() == QLatin1String("/")) {
            continue;
        }
        const QString root = volume.rootPath();
        if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
            root.startsWith(QLatin1String("/dev")) || root.startsWith(QLatin1String("/run")) ||
            root.startsWith(QLatin1String("/snap"))) {
            continue;
        }
        QString label = root;
        if (!volume.name().isEmpty()) {
            label += QStringLiteral(" [%1]").arg(volume.name());
        }
        drives.append({root, label});
    }
    return drives;
}

}  // namespace plenarvo::platform
