// What a user cleaning out a mailbox waits for: the program's main window on a private X
// server, checking one account of N messages on a local Dovecot, every row ticked ("Check All"),
// then "Delete Mail" and Yes until "..Delete Complete". Both times are measured in the same run,
// and the cost per message is the slope between two sizes. While the delete runs, a timer of the
// program's own event loop ticks every 5 ms; the longest gap between two ticks is the longest
// time the window could not answer the user.
//
// The window is the program's own (Program, MainWindow, the mail list's model and view, the real
// socket), built in this process so that the benchmark can press the buttons and watch the event
// loop; only main() and start-up are left out.
//
// Usage: delete_throughput [rounds] [sizes...]   (sizes default to 2000 10000 20000)
#include "BenchMail.h"
#include "DovecotServer.h"
#include "XvfbDisplay.h"
#include "app/Dialogs.h"
#include "app/Program.h"
#include "app/SystemTray.h"
#include "app/WidgetBeeper.h"
#include "platform/ClientSocket.h"
#include "platform/Desktop.h"
#include "platform/NetworkConnectivity.h"
#include "platform/SystemClock.h"
#include "store/AccountFile.h"
#include "store/AccountKey.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

using namespace mervantic;

namespace {

// Every question answered Yes at once; messages only counted.
class YesDialogs final : public Dialogs {
public:
    void message(const QString&) override {}
    void warn(const QString&) override {}
    bool question(const QString&) override { return true; }
    void ask(const Question&, std::function<void(bool)> answered) override { answered(true); }
    std::optional<FontChoice> chooseFont(const FontChoice&) override { return std::nullopt; }
};

// The longest gap between two ticks of a 5 ms timer of the event loop, while it is watching.
class StallWatch {
public:
    StallWatch() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start() {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    qint64 stop() {
        m_timer.stop();
        return std::max(m_longest, m_clock.elapsed() - m_last);
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

struct Round {
    double checkMs = 0;
    double deleteMs = 0;
    qint64 longestStallMs = 0;
};

bool runUntilIdle(Program& program) {
    QElapsedTimer waited;
    waited.start();
    while (program.checker().phase() != RunPhase::Idle) {
        if (waited.elapsed() > 600000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

Round oneRound(test::DovecotServer& server, const QString& user, int count) {
    for (int n = 1; n <= count; ++n)
        server.deliver(user, bench::benchMessage(n));
    QTemporaryDir home;
    StartupValues values;
    values.dataFolder = home.filePath(QStringLiteral("Mervantic"));
    QDir().mkpath(values.dataFolder);
    values.settingsFilePath = values.dataFolder + QStringLiteral("/mervantic.ini");
    values.toolTipTexts = standardToolTipTexts();
    SettingsRecord settings;
    settings.firstRunMarker = 1;
    settings.windowWidth = 900 * 15;
    settings.windowHeight = 600 * 15;
    settings.serverTimeout = 180000LL * 10000;
    settings.recheckMinutes = 30;
    settings.dateFormat = 1;
    settings.deleteEnabled = 1;
    settings.mailColWidth1 = settings.mailColWidth2 = settings.mailColWidth3 = 1440;
    settings.mailColWidth4 = settings.mailColWidth5 = settings.mailColWidth6 = 1440;
    settings.fontName = QStringLiteral("DejaVu Sans");
    settings.fontSize = 9;
    SettingsFile::write(values.settingsFilePath, settings);
    AccountList accounts;
    accounts.append({QStringLiteral("Bench"), user, QStringLiteral("127.0.0.1"),
                     QString::number(server.port()), AccountKey::make(1, QStringLiteral("pw")),
                     false});
    AccountFile(values.dataFolder + QStringLiteral("/mervuser.ini")).save(accounts);

    ClientSocket socket;
    SystemClock clock;
    NetworkConnectivity connectivity;
    WidgetBeeper beeper;
    YesDialogs dialogs;
    SystemTray tray;
    SystemDesktop desktop;
    Program program(values, {socket, clock, connectivity, beeper, beeper, dialogs, tray, desktop});
    program.load();
    program.window().show();
    QCoreApplication::processEvents();

    Round round;
    QElapsedTimer timer;
    timer.start();
    program.checker().checkMailButton();
    runUntilIdle(program);
    round.checkMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (program.mail().count() != count)
        std::fprintf(stderr, "the check listed %d of %d messages\n", program.mail().count(), count);

    program.mail().checkAll(); // "Check All" in the mail list's menu
    StallWatch stalls;
    stalls.start();
    timer.restart();
    program.checker().deleteMailButton(); // "Delete Mail", then Yes
    runUntilIdle(program);
    round.deleteMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    round.longestStallMs = stalls.stop();
    if (!server.mailbox(user).isEmpty() || program.mail().count() != 1)
        std::fprintf(stderr, "the delete left %lld messages on the server, %d rows\n",
                     static_cast<long long>(server.mailbox(user).size()), program.mail().count());
    program.window().closeByProgram();
    return round;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    test::XvfbDisplay display;
    if (!display.start()) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", qPrintable(display.why()));
        return 1;
    }
    qputenv("DISPLAY", display.name().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    // No accessibility bridge: nothing but the program itself is timed.
    qputenv("NO_AT_BRIDGE", "1");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(atoi(argv[i]));
    if (sizes.empty())
        sizes = {2000, 10000, 20000};

    // Plain POP3, as the anchors speak it: the server offers no STARTTLS.
    test::DovecotServer server(test::DovecotServer::Setup{QStringLiteral("no"), false, false});
    if (!server.start()) {
        std::fprintf(stderr, "cannot start Dovecot: %s\n", qPrintable(server.why()));
        return 1;
    }
    std::map<int, double> checkMs;
    std::map<int, double> deleteMs;
    std::printf("%-9s %10s %11s %18s\n", "messages", "check ms", "delete ms", "longest stall ms");
    int user = 0;
    for (const int count : sizes) {
        std::vector<double> checks;
        std::vector<double> deletes;
        qint64 stall = 0;
        for (int r = 0; r < rounds; ++r) {
            const QString login = QStringLiteral("delete%1").arg(++user);
            server.addUser(login, QStringLiteral("pw"));
            const Round round = oneRound(server, login, count);
            checks.push_back(round.checkMs);
            deletes.push_back(round.deleteMs);
            stall = std::max(stall, round.longestStallMs);
        }
        checkMs[count] = median(checks);
        deleteMs[count] = median(deletes);
        std::printf("%-9d %10.0f %11.0f %18lld\n", count, checkMs[count], deleteMs[count],
                    static_cast<long long>(stall));
        std::fflush(stdout);
    }
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        const int a = sizes[i - 1];
        const int b = sizes[i];
        const double checkSlope = (checkMs[b] - checkMs[a]) / (b - a);
        const double deleteSlope = (deleteMs[b] - deleteMs[a]) / (b - a);
        std::printf("%d -> %d: check %.4f ms/message, delete %.4f ms/message (%.2fx the check); "
                    "delete %d takes %.2fx delete %d\n",
                    a, b, checkSlope, deleteSlope, deleteSlope / checkSlope, b,
                    deleteMs[b] / deleteMs[a], a);
    }
    return 0;
}
