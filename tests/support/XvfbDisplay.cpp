#include "XvfbDisplay.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>

#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace mervantic::test {

XvfbDisplay::XvfbDisplay() = default;

XvfbDisplay::~XvfbDisplay() {
    if (m_windowManager.state() != QProcess::NotRunning) {
        m_windowManager.kill();
        m_windowManager.waitForFinished(2000);
    }
    if (m_connection != nullptr)
        xcb_disconnect(m_connection);
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(5000))
            m_server.kill();
        m_server.waitForFinished(2000);
    }
}

bool XvfbDisplay::start() {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty()) {
        m_why = QStringLiteral("Xvfb is not installed (package xvfb)");
        return false;
    }
    for (int attempt = 0; attempt < 20; ++attempt) {
        m_number = 100 + static_cast<int>(QRandomGenerator::global()->bounded(800));
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(m_number)))
            continue;
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(xvfb, {name(), QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp"), QStringLiteral("-noreset")});
        if (!m_server.waitForStarted(5000))
            continue;
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired() && m_server.state() == QProcess::Running) {
            xcb_connection_t* connection = xcb_connect(name().toLatin1().constData(), nullptr);
            if (xcb_connection_has_error(connection) == 0) {
                m_connection = connection;
                return true;
            }
            xcb_disconnect(connection);
            QThread::msleep(50);
        }
        m_server.kill();
        m_server.waitForFinished(2000);
    }
    m_why = QStringLiteral("Xvfb did not start");
    return false;
}

bool XvfbDisplay::startWindowManager() {
    const QString twm = QStandardPaths::findExecutable(QStringLiteral("twm"));
    if (twm.isEmpty()) {
        m_why = QStringLiteral("twm is not installed (package twm)");
        return false;
    }
    // The server's built-in font for every text of twm's, so that it needs no font packages;
    // windows that name no place of their own go anywhere rather than wait to be placed by hand.
    m_windowManagerConfig.open();
    m_windowManagerConfig.write("TitleFont \"fixed\"\nResizeFont \"fixed\"\nMenuFont \"fixed\"\n"
                                "IconFont \"fixed\"\nIconManagerFont \"fixed\"\n"
                                "RandomPlacement\nNoGrabServer\n");
    m_windowManagerConfig.flush();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.setStandardOutputFile(QProcess::nullDevice());
    m_windowManager.setStandardErrorFile(QProcess::nullDevice());
    m_windowManager.start(twm, {QStringLiteral("-f"), m_windowManagerConfig.fileName()});
    if (!m_windowManager.waitForStarted(5000)) {
        m_why = QStringLiteral("twm did not start");
        return false;
    }
    // twm is ready once it has taken the root window's events for itself.
    QThread::msleep(300);
    return m_windowManager.state() == QProcess::Running;
}

quint32 XvfbDisplay::atom(const char* atomName) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        m_connection,
        xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(atomName)), atomName),
        nullptr);
    const quint32 value = reply != nullptr ? reply->atom : 0;
    std::free(reply);
    return value;
}

QString XvfbDisplay::titleOf(quint32 window) {
    for (const auto& [property, type] : {std::pair{atom("_NET_WM_NAME"), atom("UTF8_STRING")},
                                         std::pair{static_cast<quint32>(XCB_ATOM_WM_NAME),
                                                   static_cast<quint32>(XCB_ATOM_STRING)}}) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 1024),
            nullptr);
        if (reply == nullptr)
            continue;
        const int length = xcb_get_property_value_length(reply);
        const QString title =
            QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)), length);
        std::free(reply);
        if (length > 0)
            return title;
    }
    return {};
}

std::vector<XvfbDisplay::Window> XvfbDisplay::windowsTitled(const QString& prefix) {
    std::vector<Window> found;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    // A window manager puts each top-level window inside a frame of its own.
    collectTitled(screen->root, prefix, 2, found);
    return found;
}

void XvfbDisplay::collectTitled(quint32 parent, const QString& prefix, int depth,
                                std::vector<Window>& found) {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, parent), nullptr);
    if (tree == nullptr)
        return;
    const xcb_window_t root = tree->root;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        const xcb_window_t child = children[i];
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, child), nullptr);
        const bool viewable =
            attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!viewable)
            continue;
        if (!titleOf(child).startsWith(prefix) || titleOf(child).isEmpty()) {
            if (depth > 1)
                collectTitled(child, prefix, depth - 1, found);
            continue;
        }
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, child), nullptr);
        xcb_translate_coordinates_reply_t* place = xcb_translate_coordinates_reply(
            m_connection, xcb_translate_coordinates(m_connection, child, root, 0, 0), nullptr);
        if (geometry != nullptr && place != nullptr)
            found.push_back({child, titleOf(child), place->dst_x, place->dst_y, geometry->width,
                             geometry->height});
        std::free(geometry);
        std::free(place);
    }
    std::free(tree);
}

void XvfbDisplay::requestClose(quint32 window) {
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

void XvfbDisplay::iconify(quint32 window) {
    constexpr quint32 kIconicState = 3;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom("WM_CHANGE_STATE");
    event.data.data32[0] = kIconicState;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    xcb_send_event(m_connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(m_connection);
}

} // namespace mervantic::test

namespace mervantic::test {

QImage XvfbDisplay::grab(const Window& window) {
    xcb_get_image_reply_t* reply =
        xcb_get_image_reply(m_connection,
                            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window.id, 0, 0,
                                          static_cast<uint16_t>(window.width),
                                          static_cast<uint16_t>(window.height), ~0u),
                            nullptr);
    if (reply == nullptr)
        return {};
    // A 24-bit screen hands out 32 bits a pixel, blue first.
    const QImage image(xcb_get_image_data(reply), window.width, window.height,
                       QImage::Format_RGB32);
    QImage copy = image.copy();
    std::free(reply);
    return copy;
}

} // namespace mervantic::test
