#include "platform/qt/display_colours.h"

#include "pictures/colour.h"

#include <QGuiApplication>
#include <QLoggingCategory>

#if PLENARVO_HAS_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#endif

namespace plenarvo::platform {

namespace {

Q_LOGGING_CATEGORY(lcColours, "plenarvo.colours", QtWarningMsg)

}  // namespace

QByteArray displayProfile() {
#if PLENARVO_HAS_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) {
        return {};
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) {
        return {};
    }
    static const char name[] = "_ICC_PROFILE";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof(name) - 1, name),
                              nullptr),
        &std::free);
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        return {};
    }
    // A profile is a few kilobytes; a few megabytes at most is read.
    constexpr uint32_t kMaxLongs = 1024 * 1024;
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection,
                               xcb_get_property(connection, 0, screen->root, atom->atom,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxLongs),
                               nullptr),
        &std::free);
    if (!reply || reply->format != 8 || reply->bytes_after != 0) {
        return {};
    }
    const int length = xcb_get_property_value_length(reply.get());
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
#else
    return {};
#endif
}

QColorSpace useDisplayColours() {
    const QByteArray profile = displayProfile();
    QColorSpace space = profile.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(profile);
    if (!profile.isEmpty() && !space.isValid()) {
        qCWarning(lcColours) << "the display's colour profile cannot be used; showing sRGB";
    }
    if (!space.isValid()) {
        space = QColorSpace(QColorSpace::SRgb);
    }
    pictures::setShownColourSpace(space);
    return space;
}

}  // namespace plenarvo::platform
