#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>

namespace mervantic::test {

// A loopback proxy in front of a real server that passes every byte both ways, until the client
// sends a line that starts with `trigger`. That line never reaches the server: the proxy then
// either resets the client's connection or falls silent, and drops its connection to the server
// (which, for POP3, ends the session without the QUIT that would have committed it).
class CuttingProxy final : public QObject {
    Q_OBJECT

public:
    enum class Cut { Reset, Silence };

    CuttingProxy(int serverPort, QByteArray trigger, Cut cut, QObject* parent = nullptr);

    int port() const { return m_listener.serverPort(); }
    int cuts() const { return m_cuts; }
    // While disarmed the proxy passes everything.
    void setArmed(bool armed) { m_armed = armed; }

private:
    void accept();

    QTcpServer m_listener;
    int m_serverPort;
    QByteArray m_trigger;
    Cut m_cut;
    int m_cuts = 0;
    bool m_armed = true;
};

} // namespace mervantic::test
