#pragma once

#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace mervantic {

class LogPane;
class MailChecker;
class Settings;
class StatusBar;
class Tray;

// What happens when the main window is asked to close. Every attempt rewrites the account file.
// The user's close hides the window when the notification-area icon is in use, and is delayed
// while a run is in progress: the run is asked to stop, and the window closes on the first
// second after it has, or after 31 seconds at the latest. Otherwise the window closes for good,
// saving the column widths, the geometry and the settings record, in that order.
class CloseSequence final : public QObject {
    Q_OBJECT

public:
    enum class Reason { User, Program };

    struct Parts {
        // The window that closes, hides or is minimized.
        QWidget& window;
        // Whose run a close waits for.
        MailChecker& checker;
        LogPane& log;
        StatusBar& status;
        Settings& settings;
        Tray& tray;
        std::function<void()> saveAccounts;
        std::function<void()> saveSettings;
        // The window's part of the real close: its geometry and column widths into the
        // settings, its About and raw-data windows closed; and its close by the program.
        std::function<void()> takeWindowValues;
        std::function<void()> closeSecondaryWindows;
        std::function<void()> closeByProgram;
    };

    static constexpr int kTickMs = 1000;
    // From this tick on the log says why the window waits, and at this one it closes anyway.
    static constexpr int kMessageAfterTicks = 6;
    static constexpr int kForcedCloseAfterTicks = 31;

    explicit CloseSequence(Parts parts, QObject* parent = nullptr);

    // True when the window may close now.
    bool closeRequested(Reason reason);
    bool delaying() const { return m_delay.isActive(); }
    int delayTicks() const { return m_ticks; }

    // Shortened by tests.
    void setTickInterval(int ms) { m_delay.setInterval(ms); }

private:
    void tick();
    void hideToTray();
    void closeForReal();

    Parts m_parts;
    QTimer m_delay;
    int m_ticks = 0;
    bool m_toldNoTray = false;
};

} // namespace mervantic
