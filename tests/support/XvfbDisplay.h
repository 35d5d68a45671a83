#pragma once

#include <QImage>
#include <QProcess>
#include <QString>

#include <memory>
#include <optional>

struct xcb_connection_t;

namespace mervantic::test {

// A private X server (Xvfb) for tests that run the real program, and what a window manager
// would do to its windows: find them by title, ask them to close.
class XvfbDisplay {
public:
    XvfbDisplay();
    ~XvfbDisplay();

    bool start();
    QString why() const { return m_why; }
    // ":<number>", for DISPLAY.
    QString name() const { return QStringLiteral(":%1").arg(m_number); }

    struct Window {
        quint32 id = 0;
        QString title;
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    // The top-level windows whose title starts with `prefix`.
    std::vector<Window> windowsTitled(const QString& prefix);
    // Sends WM_DELETE_WINDOW, as a window manager's close button does.
    void requestClose(quint32 window);
    // A picture of the window as it is on the screen.
    QImage grab(const Window& window);

private:
    QString titleOf(quint32 window);
    quint32 atom(const char* name);

    QProcess m_server;
    int m_number = 0;
    xcb_connection_t* m_connection = nullptr;
    QString m_why;
};

} // namespace mervantic::test
