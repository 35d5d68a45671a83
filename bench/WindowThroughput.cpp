// What the user waits for: the real program, in its real window on a private X server, checking
// one account of N messages on a local Dovecot, from its start to the caption that says the
// check is complete; beside it, on the same mailbox, the least a serial client can do (a minimal
// client in C: TOP n 2 one command at a time, each reply read to its end and dropped) and
// Python's poplib running the same loop. The mailboxes hold realistic mail (see RealisticMail).
// The cost per message is the slope between two mailbox sizes, so that start-up and the
// program's fixed pauses cancel out; each figure is the best of the rounds. Peak resident memory
// is read from the kernel at the end of the check.
//
// Usage: window_throughput <program> [plain] [rounds] [sizes...]   (sizes default to 2000 10000)
#include "BenchMail.h"
#include "DovecotServer.h"
#include "ProgramHome.h"
#include "RealisticMail.h"
#include "XvfbDisplay.h"
#include "store/AccountFile.h"
#include "store/AccountKey.h"
#include "store/SettingsRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <unistd.h>
#include <vector>

using namespace mervantic;

namespace {

const char* const kPoplib = R"(
import poplib, sys
box = poplib.POP3('127.0.0.1', int(sys.argv[1]))
box.user(sys.argv[2])
box.pass_('pw')
count = box.stat()[0]
for n in range(1, count + 1):
    box.top(n, 2)
box.quit()
)";

double best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// Kilobytes of the process's peak resident set.
long peakKilobytes(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Milliseconds of CPU time (user and system) the process has used.
double cpuMs(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // The fields after the command name, which is in brackets and may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct WindowRun {
    double ms = 0;
    double cpuMs = 0;
    long peakKb = 0;
};

class Bench {
public:
    Bench(QString program, test::DovecotServer& server, test::XvfbDisplay& display)
        : m_program(std::move(program))
        , m_server(server)
        , m_display(display) {}

    // The minimal C client, built beside this benchmark.
    double serialClientMs(const QString& user) {
        QProcess client;
        QElapsedTimer timer;
        timer.start();
        client.start(QCoreApplication::applicationDirPath() + QStringLiteral("/pop3_serial"),
                     {QString::number(m_server.port()), user, QStringLiteral("pw")});
        client.waitForFinished(-1);
        if (client.exitCode() != 0)
            std::fprintf(stderr, "pop3_serial failed: %s\n",
                         client.readAllStandardError().constData());
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    double poplibMs(const QString& user) {
        QProcess python;
        QElapsedTimer timer;
        timer.start();
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(kPoplib),
                                                 QString::number(m_server.port()), user});
        python.waitForFinished(-1);
        if (python.exitCode() != 0)
            std::fprintf(stderr, "poplib failed: %s\n", python.readAllStandardError().constData());
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    // The program checking one account on `port` (Dovecot's unless said otherwise).
    WindowRun windowRun(const QString& user, int port = 0) {
        if (port == 0)
            port = m_server.port();
        const test::ProgramHome home;
        const QString data = home.dataFolder();
        SettingsRecord settings;
        settings.firstRunMarker = 1;
        settings.windowWidth = 900 * 15;
        settings.windowHeight = 600 * 15;
        settings.serverTimeout = 180000LL * 10000;
        settings.recheckMinutes = 30;
        settings.dateFormat = 1;
        settings.autoCheckOnOpen = 1;
        settings.mailColWidth1 = settings.mailColWidth2 = settings.mailColWidth3 = 1440;
        settings.mailColWidth4 = settings.mailColWidth5 = settings.mailColWidth6 = 1440;
        settings.fontName = QStringLiteral("DejaVu Sans");
        settings.fontSize = 9;
        SettingsFile::write(data + QStringLiteral("/mervantic.ini"), settings);
        AccountList accounts;
        accounts.append({QStringLiteral("Bench"), user, QStringLiteral("127.0.0.1"),
                         QString::number(port), AccountKey::make(1, QStringLiteral("pw")), false});
        AccountFile(data + QStringLiteral("/mervuser.ini")).save(accounts);

        QProcessEnvironment env = home.environment(m_display.name());
        // No accessibility bridge: nothing but the program itself is timed.
        env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("0"));
        env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        process.start(m_program, {});
        process.waitForStarted();
        WindowRun run;
        std::optional<test::XvfbDisplay::Window> done;
        // The caption is looked at every 10 ms; a server of this process answers meanwhile.
        QEventLoop waiting;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &waiting, [&] {
            const auto windows =
                m_display.windowsTitled(QStringLiteral("Mervantic email - last check: "));
            if (!windows.empty())
                done = windows.front();
            if (done || process.state() != QProcess::Running)
                waiting.quit();
        });
        poll.start(10);
        waiting.exec();
        run.ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        run.peakKb = peakKilobytes(process.processId());
        run.cpuMs = cpuMs(process.processId());
        if (done)
            m_display.requestClose(done->id);
        if (!process.waitForFinished(30000)) {
            process.kill();
            process.waitForFinished();
        }
        return run;
    }

private:
    QString m_program;
    test::DovecotServer& m_server;
    test::XvfbDisplay& m_display;
};

// A server that claims two thousand million messages and answers each TOP with a tiny one, as
// fast as it can: the program fills its list to its limit, then stops reading.
class EndlessServer : public QObject {
public:
    EndlessServer() {
        m_listener.listen(QHostAddress::LocalHost, 0);
        connect(&m_listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* peer = m_listener.nextPendingConnection()) {
                peer->setParent(this);
                peer->write("+OK endless\r\n");
                connect(peer, &QTcpSocket::readyRead, peer, [this, peer] {
                    while (peer->canReadLine()) {
                        const QByteArray line = peer->readLine();
                        if (line.startsWith("TOP")) {
                            ++m_served;
                            peer->write("+OK\r\nSubject: s\r\n\r\n.\r\n");
                        } else if (line.startsWith("STAT")) {
                            peer->write("+OK 2000000000 1\r\n");
                        } else {
                            peer->write("+OK\r\n");
                        }
                    }
                });
            }
        });
    }
    int port() const { return m_listener.serverPort(); }
    qint64 served() const { return m_served; }

private:
    QTcpServer m_listener;
    qint64 m_served = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_throughput <program> [rounds] [sizes...]\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    // "plain" fills the mailboxes with the short ASCII messages of the earlier benchmark instead.
    const bool plain = argc > 2 && QByteArray(argv[2]) == "plain";
    if (plain) {
        --argc;
        ++argv;
    }
    const bool limit = argc > 2 && QByteArray(argv[2]) == "limit";
    const int rounds = argc > 2 && !limit ? std::max(1, atoi(argv[2])) : 3;
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i)
        sizes.push_back(atoi(argv[i]));
    if (sizes.empty())
        sizes = {2000, 10000};

    // Plain POP3, as the anchors speak it: the server offers no STARTTLS.
    test::DovecotServer server(test::DovecotServer::Setup{QStringLiteral("no"), false, false});
    if (!server.start()) {
        std::fprintf(stderr, "cannot start Dovecot: %s\n", qPrintable(server.why()));
        return 1;
    }
    test::XvfbDisplay display;
    if (!display.start()) {
        std::fprintf(stderr, "cannot start Xvfb: %s\n", qPrintable(display.why()));
        return 1;
    }
    Bench bench(program, server, display);
    if (limit) {
        EndlessServer endless;
        const WindowRun run = bench.windowRun(QStringLiteral("anyone"), endless.port());
        std::printf("the list at its limit: %lld messages read in %.1f s, peak resident memory "
                    "%.1f MB\n",
                    static_cast<long long>(endless.served()), run.ms / 1000.0,
                    static_cast<double>(run.peakKb) / 1024.0);
        return 0;
    }
    std::map<int, double> windowMs;
    std::map<int, double> poplibMs;
    std::map<int, double> serialMs;
    std::map<int, double> windowCpuMs;
    std::printf("%-9s %12s %12s %12s %16s %14s\n", "messages", "window ms", "C client ms",
                "poplib ms", "window CPU ms", "window peak MB");
    for (const int count : sizes) {
        const QString user = QStringLiteral("bench%1").arg(count);
        server.addUser(user, QStringLiteral("pw"));
        for (int n = 1; n <= count; ++n)
            server.deliver(user, plain ? bench::benchMessage(n) : bench::RealisticMail::message(n));
        bench.serialClientMs(user); // Dovecot builds its index once
        std::vector<double> window;
        std::vector<double> serial;
        std::vector<double> poplib;
        std::vector<double> cpu;
        long peakKb = 0;
        for (int round = 0; round < rounds; ++round) {
            serial.push_back(bench.serialClientMs(user));
            poplib.push_back(bench.poplibMs(user));
            const WindowRun run = bench.windowRun(user);
            window.push_back(run.ms);
            cpu.push_back(run.cpuMs);
            peakKb = std::max(peakKb, run.peakKb);
        }
        windowMs[count] = best(window);
        serialMs[count] = best(serial);
        poplibMs[count] = best(poplib);
        windowCpuMs[count] = best(cpu);
        std::printf("%-9d %12.0f %12.0f %12.0f %16.0f %14.1f\n", count, windowMs[count],
                    serialMs[count], poplibMs[count], windowCpuMs[count],
                    static_cast<double>(peakKb) / 1024.0);
        std::fflush(stdout);
    }
    // The cost of one more message, between each pair of sizes.
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        const int a = sizes[i - 1];
        const int b = sizes[i];
        const auto slopeUs = [a, b](std::map<int, double>& ms) {
            return (ms[b] - ms[a]) * 1000.0 / (b - a);
        };
        const double window = slopeUs(windowMs);
        const double serial = slopeUs(serialMs);
        const double poplib = slopeUs(poplibMs);
        std::printf("%d -> %d, per message: C client %.1f us, poplib %.1f us, window %.1f us "
                    "(%.2fx the C client, %.2fx poplib); window CPU %.1f us\n",
                    a, b, serial, poplib, window, window / serial, window / poplib,
                    slopeUs(windowCpuMs));
    }
    return 0;
}
