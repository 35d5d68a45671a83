// Times a check run over one account holding many messages on a local Dovecot, beside a
// minimal serial POP3 client (log on, STAT, TOP i 2 one at a time, read each reply to its end).
// Run it pinned to one CPU (bench/check_throughput.sh does) so that the ratio is stable.
#include "BenchMail.h"
#include "CheckerFixture.h"
#include "DovecotServer.h"
#include "platform/ClientSocket.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>
#include <vector>

using namespace mervantic;
using mervantic::bench::benchMessage;

namespace {

// A view that shows nothing, so that only the run itself is timed.
class SilentView final : public RunView {
public:
    void logBeginRun(const QString&) override {}
    void logAppend(const QString&) override {}
    void logEndRun() override {}
    void showStatus(const QString&) override {}
    void runPhaseChanged(RunPhase, bool) override {}
    void selectMailPage() override {}
    void setCaption(const QString&) override {}
    void showMessage(const QString&) override {}
    void askYesNo(const Question&, std::function<void(bool)> answered) override { answered(true); }
    void showRawBlock(QByteArrayView) override {}
};

class SerialClient {
public:
    explicit SerialClient(int port) {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        const int one = 1;
        ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    ~SerialClient() { ::close(m_fd); }

    void command(const QByteArray& line) {
        ::send(m_fd, line.constData(), static_cast<size_t>(line.size()), 0);
    }
    // Reads until `end` has arrived; returns what came.
    QByteArray readUntil(const QByteArray& end) {
        QByteArray got;
        char buffer[65536];
        while (!got.endsWith(end)) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }

private:
    int m_fd;
};

double serialClientMs(int port, const QString& user, int count) {
    QElapsedTimer timer;
    timer.start();
    SerialClient client(port);
    client.readUntil("\r\n");
    client.command("USER " + user.toLatin1() + "\r\n");
    client.readUntil("\r\n");
    client.command("PASS pw\r\n");
    client.readUntil("\r\n");
    client.command("STAT\r\n");
    client.readUntil("\r\n");
    for (int i = 1; i <= count; ++i) {
        client.command("TOP " + QByteArray::number(i) + " 2\r\n");
        client.readUntil("\r\n.\r\n");
    }
    client.command("QUIT\r\n");
    client.readUntil("\r\n");
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// The plain figure is the plain conversation, even where the server offers STARTTLS.
double checkRunMs(int port, const QString& user, int expectedRows, const TlsPolicy& tls = {},
                  const QString& host = QStringLiteral("127.0.0.1"),
                  Security security = Security::None) {
    ClientSocket socket(tls);
    SystemClock clock;
    test::FakeConnectivity connectivity;
    test::CountingBeeper beeper;
    SilentView view;
    Options options;
    AccountList accounts;
    MailList mail;
    ConnectionSettings connections;
    MailChecker checker(socket, clock, connectivity, beeper, view, options, accounts, mail,
                        connections);
    // The fixed pauses of the connection control (500 ms before connecting, 200 ms after
    // closing) are left out of the figure.
    checker.connection().setSettleWaitMs(0);
    checker.connection().setCloseWaitMs(0);
    accounts.append({QStringLiteral("Bench"), user, host, QString::number(port),
                     AccountKey::make(1, QStringLiteral("pw")), false});
    connections.setSecurity({user, host, QString::number(port)}, security);
    QElapsedTimer timer;
    timer.start();
    checker.checkMailButton();
    // Waits as the program's own event loop does, without a fast polling timer of its own.
    test::waitUntil([&] { return checker.phase() == RunPhase::Idle; }, 600000, 200);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    if (mail.count() != expectedRows)
        std::fprintf(stderr, "warning: %d rows listed, %d expected\n", mail.count(), expectedRows);
    return ms;
}

// CPU time (user and system) this process has used, in milliseconds.
double cpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    test::DovecotServer server;
    if (!server.start()) {
        std::fprintf(stderr, "cannot start Dovecot: %s\n", qPrintable(server.why()));
        return 1;
    }
    std::printf("%-8s %14s %14s %8s\n", "messages", "client ms/msg", "check ms/msg", "ratio");
    double perMessage10k = 0;
    double total10k = 0;
    for (const int count : {10000, 20000}) {
        const QString user = QStringLiteral("bench%1").arg(count);
        server.addUser(user, QStringLiteral("pw"));
        for (int n = 1; n <= count; ++n)
            server.deliver(user, benchMessage(n));
        serialClientMs(server.port(), user, count); // Dovecot builds its index once
        if (qEnvironmentVariableIsSet("MERVANTIC_BENCH_PROFILE")) {
            // Only check runs, for a profiler attached from here on.
            std::fprintf(stderr, "ready %lld\n",
                         static_cast<long long>(QCoreApplication::applicationPid()));
            for (int round = 0; round < rounds; ++round)
                std::printf("check run: %.4f ms per message\n",
                            checkRunMs(server.port(), user, count) / count);
            return 0;
        }
        std::vector<double> client;
        std::vector<double> check;
        std::vector<double> clientCpu;
        std::vector<double> checkCpu;
        for (int round = 0; round < rounds; ++round) {
            double cpu = cpuMs();
            client.push_back(serialClientMs(server.port(), user, count));
            clientCpu.push_back(cpuMs() - cpu);
            cpu = cpuMs();
            check.push_back(checkRunMs(server.port(), user, count));
            checkCpu.push_back(cpuMs() - cpu);
        }
        const double clientMs = median(client);
        const double checkMs = median(check);
        std::printf(
            "%-8d %14.4f %14.4f %8.3f   (own CPU per message: client %.4f ms, check %.4f ms)\n",
            count, clientMs / count, checkMs / count, checkMs / clientMs, median(clientCpu) / count,
            median(checkCpu) / count);
        if (count == 10000) {
            perMessage10k = checkMs / count;
            total10k = checkMs;
            // The same mailbox over the encrypted listener, which this run treats as port 995.
            TlsPolicy tls;
            const int tlsPort = server.tlsPort();
            tls.extraAuthorities = server.authority();
            // And over the plain listener upgraded with STLS.
            for (const auto& [name, port, security] :
                 {std::tuple{"TLS", tlsPort, Security::Tls},
                  std::tuple{"STARTTLS", server.port(), Security::StartTls}}) {
                std::vector<double> secure;
                std::vector<double> secureCpu;
                for (int round = 0; round < rounds; ++round) {
                    const double cpu = cpuMs();
                    secure.push_back(
                        checkRunMs(port, user, count, tls, QStringLiteral("localhost"), security));
                    secureCpu.push_back(cpuMs() - cpu);
                }
                const double secureMs = median(secure);
                std::printf("check run over %s, %d messages: %.4f ms per message, %.3fx the "
                            "plain run (own CPU per message %.4f ms)\n",
                            name, count, secureMs / count, secureMs / checkMs,
                            median(secureCpu) / count);
            }
        } else {
            std::printf("check run, 20,000 messages against 10,000: %.3fx the time "
                        "(%.4f against %.4f ms per message)\n",
                        checkMs / total10k, checkMs / count, perMessage10k);
        }
    }
    return 0;
}
