#include "pop3/MailChecker.h"

namespace mervantic {

MailChecker::MailChecker(Socket& socket, Clock& clock, Connectivity& connectivity, Beeper& beeper,
                         RunView& view, Options& options, AccountList& accounts, MailList& mail,
                         ConnectionSettings& connections, QObject* parent)
    : QObject(parent)
    , m_log(view)
    , m_runs(view, clock, options)
    , m_connection({socket, clock, connectivity, options, m_session, m_log, connections})
    , m_headers({m_log, options, m_session, mail})
    , m_conversation({socket, clock, options, m_session, m_log, m_runs, connections, m_loginDelays},
                     m_connection, *this)
    , m_checkRun({m_runs, m_log, m_session, m_connection, m_headers, connectivity, beeper, options,
                  accounts, mail, clock, m_loginDelays, connections})
    , m_deleteRun({m_runs, m_log, m_session, m_connection, connectivity, options, mail})
    , m_recheck({clock, connectivity, options, view, m_runs})
    , m_alarm(beeper) {
    connect(&socket, &Socket::connected, this, [this] {
        m_conversation.reset();
        m_connection.onConnected();
    });
    connect(&socket, &Socket::dataArrived, this, [this] { m_conversation.onDataArrived(); });
    connect(&socket, &Socket::tlsStarted, this, [this] { m_conversation.onTlsStarted(); });
    connect(&socket, &Socket::closedByPeer, &m_connection, &ConnectionControl::onClosedByPeer);
    connect(&socket, &Socket::failed, &m_connection, &ConnectionControl::onFailed);
    connect(&m_connection, &ConnectionControl::conversationOver, this, [this] {
        if (m_runs.checking())
            m_checkRun.conversationOver();
        else if (m_runs.deleting())
            m_deleteRun.conversationOver();
    });
    connect(&m_checkRun, &CheckRun::countdownReset, &m_recheck, &RecheckTimer::restart);
    // Whether a check completed or halted, the minutes to the next one count from its end.
    connect(&m_runs, &RunTracker::ended, &m_recheck, [this](const RunEnd& how) {
        if (how.run == RunPhase::Checking)
            m_recheck.runEnded();
    });
    connect(&m_checkRun, &CheckRun::autoStartRequested, &m_recheck, &RecheckTimer::autoStart);
    connect(&m_checkRun, &CheckRun::continuousAlarmRequested, &m_alarm, &NewMailAlarm::start);
    connect(&m_recheck, &RecheckTimer::checkDue, this, &MailChecker::timedCheck);
}

void MailChecker::checkMailButton() {
    if (m_runs.checking())
        return;
    m_log.view().selectMailPage();
    m_recheck.restart();
    m_checkRun.run();
}

void MailChecker::timedCheck() {
    m_log.view().selectMailPage();
    m_checkRun.setNextRunTimed(!m_runs.checking());
    m_checkRun.run();
}

void MailChecker::checkOnOpen() {
    if (m_runs.checking())
        return;
    m_checkRun.run();
}

void MailChecker::cancel() {
    m_session.haltRequest = true;
    if (m_runs.checking() || m_runs.deleting())
        m_connection.cancel();
}

void MailChecker::stopForClose() {
    m_runs.closeAfterRun();
    cancel();
}

void MailChecker::deleteMailButton() {
    if (!m_runs.idle())
        return;
    m_deleteRun.deleteMailButton();
}

ConversationEvents& MailChecker::activeRun() {
    if (m_runs.deleting())
        return m_deleteRun;
    return m_checkRun;
}

} // namespace mervantic
