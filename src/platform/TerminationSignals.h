#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace mervantic {

// SIGTERM and SIGHUP (a logout that does not ask the window to close, a `kill`, a closed
// terminal) as an event of the event loop, so that the program can end as a close does, saving
// what it keeps, instead of dying where it stands. One per process.
class TerminationSignals final : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signal);

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace mervantic
