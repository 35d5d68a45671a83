#pragma once

#include <QImage>
#include <QProcess>
#include <QString>
#include <QTemporaryFile>

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
    // Runs a small window manager (twm) on the display, so that windows get frames, title bars
    // and the placement a desktop gives them.
    bool startWindowManager();
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
    // The top-level windows whose title starts with `prefix`, with their place on the screen
    // (inside a window manager's frame, where one runs).
    std::vector<Window> windowsTitled(const QString& prefix);
    // Sends WM_DELETE_WINDOW, as a window manager's close button does.
    void requestClose(quint32 window);
    // Asks the window manager to minimize the window (ICCCM's WM_CHANGE_STATE).
    void iconify(quint32 window);
    // A picture of the window as it is on the screen.
    QImage grab(const Window& window);

private:
    QString titleOf(quint32 window);
    quint32 atom(const char* name);

    void collectTitled(quint32 parent, const QString& prefix, int depth,
                       std::vector<Window>& found);

    QProcess m_server;
    QProcess m_windowManager;
    QTemporaryFile m_windowManagerConfig;
    int m_number = 0;
    xcb_connection_t* m_connection = nullptr;
    QString m_why;
};

} // namespace mervantic::test
