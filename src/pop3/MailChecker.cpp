#include "pop3/MailChecker.h"

namespace mervantic {

MailChecker::MailChecker(Socket& socket, Clock& clock, Connectivity& connectivity, Beeper& beeper,
                         RunView& view, Options& options, AccountList& accounts, MailList& mail,
                         QObject* parent)
    : QObject(parent)
    , m_context(socket, clock, connectivity, beeper, view, options, accounts, mail)
    , m_connection(m_context)
    , m_headers(m_context)
    , m_conversation(m_context, m_connection, *this)
    , m_checkRun(m_context, m_connection, m_headers)
    , m_deleteRun(m_context, m_connection)
    , m_recheck(m_context)
    , m_alarm(beeper) {
    connect(&socket, &Socket::connected, this, [this] {
        m_conversation.reset();
        m_connection.onConnected();
    });
    connect(&socket, &Socket::dataArrived, this, [this] { m_conversation.onDataArrived(); });
    connect(&socket, &Socket::closedByPeer, &m_connection, &ConnectionControl::onClosedByPeer);
    connect(&socket, &Socket::failed, &m_connection, &ConnectionControl::onFailed);
    connect(&m_connection, &ConnectionControl::conversationOver, this, &MailChecker::advanceRun);
    connect(&m_checkRun, &CheckRun::countdownReset, &m_recheck, &RecheckTimer::restart);
    connect(&m_checkRun, &CheckRun::ended, &m_recheck, &RecheckTimer::runEnded);
    connect(&m_checkRun, &CheckRun::autoStartRequested, &m_recheck, &RecheckTimer::autoStart);
    connect(&m_checkRun, &CheckRun::continuousAlarmRequested, &m_alarm, &NewMailAlarm::start);
    connect(&m_recheck, &RecheckTimer::checkDue, this, &MailChecker::timedCheck);
}

void MailChecker::prepareRunStart() {
    m_context.runBusy = RunBusy::Running;
    m_context.view.showRunControls(true, false);
}

void MailChecker::checkMailButton() {
    if (m_context.session.checkRunActive)
        return;
    m_context.view.selectMailPage();
    m_recheck.restart();
    prepareRunStart();
    m_checkRun.run();
}

void MailChecker::timedCheck() {
    m_context.view.selectMailPage();
    prepareRunStart();
    m_checkRun.run();
}

void MailChecker::checkOnOpen() {
    if (m_context.session.checkRunActive)
        return;
    prepareRunStart();
    m_checkRun.run();
}

void MailChecker::cancel() {
    m_context.session.haltRequest = true;
    if (m_context.session.checkRunActive || m_context.session.deleteRunActive)
        m_connection.cancel();
}

void MailChecker::deleteMailButton() {
    if (m_context.session.checkRunActive || m_context.session.deleteRunActive)
        return;
    m_deleteRun.deleteMailButton();
}

void MailChecker::advanceRun() {
    if (m_context.session.checkRunActive)
        m_checkRun.conversationOver();
    else if (m_context.session.deleteRunActive)
        m_deleteRun.conversationOver();
}

ConversationEvents& MailChecker::activeRun() {
    if (m_context.session.deleteRunActive)
        return m_deleteRun;
    return m_checkRun;
}

} // namespace mervantic
