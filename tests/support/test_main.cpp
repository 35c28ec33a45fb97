#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

QtMessageHandler standardHandler = nullptr;

// The offscreen platform cannot raise or lower windows and says so each time.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    standardHandler(type, context, message);
}

}  // namespace

// Every test binary runs with one QApplication, on the offscreen platform unless
// the environment says otherwise, and with a cache folder of its own: the thumbnail
// sheet writes to the shared thumbnail cache, and no test may touch the user's.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const QTemporaryDir cache;
    if (!cache.isValid()) {
        return 2;
    }
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    standardHandler = qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plenarvo"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
