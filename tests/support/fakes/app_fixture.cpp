#include "support/fakes/app_fixture.h"

#include "full_view/frm_full_view.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <QTest>

namespace plenarvo::testing {

void doubleClick(QWidget* widget, QPoint where) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, where);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, where);
}

AppFixture::AppFixture() {
    platform.clock = &clock;
    platform.messages = &messages;
    platform.drives = &drives;
    platform.random = &random;
    platform.dialogs = &dialogs;
    platform.printer = &printer;
    platform.help = &help;
    platform.registry = &registry;
    platform.programs = &programs;
    platform.settingsPath = temp.filePath(QStringLiteral("config/plenarvo/default.dat"));
    platform.fallbackFolder = folder(QStringLiteral("home"));
    printer.folder = folder(QStringLiteral("printed"));
}

AppFixture::~AppFixture() {
    forms.reset();
    settle();
}

void AppFixture::start() {
    forms = std::make_unique<ProgramWindows>(platform);
    forms->onEnd = [this] { ++endCount; };
    forms->start();
}

void AppFixture::settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

bool AppFixture::waitUntil(const std::function<bool()>& done) {
    QDeadlineTimer deadline(10000);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

bool AppFixture::viewDecoded() {
    return waitUntil([this] {
        settle();
        return !forms->isLoaded(Window::FullView) || !forms->fullView().waitingForPictures();
    });
}

QString AppFixture::folder(const QString& name) {
    const QString path = temp.filePath(name);
    QDir().mkpath(path);
    return path;
}

QString AppFixture::writePicture(const QString& dir, const QString& name, QSize size,
                                 QColor colour) {
    const QImage image = solid(size, colour);
    const QString path = QDir(dir).filePath(name);
    QString suffix = name.section(QLatin1Char('.'), -1).toLower();
    if (suffix == QLatin1String("jpg")) {
        suffix = QStringLiteral("jpeg");
    }
    EXPECT_TRUE(image.save(path, suffix.toLatin1().constData())) << path.toStdString();
    return path;
}

void AppFixture::writeSettings(const QStringList& lines) {
    QDir().mkpath(QFileInfo(platform.settingsPath).absolutePath());
    QFile file(platform.settingsPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (const QString& line : lines) {
        file.write(line.toUtf8() + "\r\n");
    }
}

QByteArray AppFixture::settingsBytes() const {
    QFile file(platform.settingsPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

void AppFixture::openFolder(const QString& path) {
    ASSERT_TRUE(main().dirPic->setPath(path));
}

}  // namespace plenarvo::testing
