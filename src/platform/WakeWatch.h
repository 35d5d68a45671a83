#pragma once

#include <QDBusConnection>
#include <QObject>

namespace mervantic {

// Says when the computer has woken from a suspend (logind's PrepareForSleep on the system bus)
// or its network has come back: moments after which timers may have missed their ticks.
class WakeWatch : public QObject {
    Q_OBJECT

public:
    explicit WakeWatch(QDBusConnection systemBus = QDBusConnection::systemBus(),
                       QObject* parent = nullptr);

Q_SIGNALS:
    void woke();

private Q_SLOTS:
    // logind's signal, which the bus delivers by name: true before the sleep, false after it.
    void prepareForSleep(bool sleeping);

private:
    QDBusConnection m_bus;
    bool m_wasOffline = false;
};

} // namespace mervantic
