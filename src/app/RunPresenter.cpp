#include "app/RunPresenter.h"

#include "app/BottomRow.h"
#include "app/Dialogs.h"
#include "app/LogPane.h"
#include "app/RawDataWindow.h"
#include "app/StatusBar.h"
#include "mail/MailListModel.h"
#include "platform/Clock.h"
#include "platform/DateTimeText.h"

namespace mervantic {

RunPresenter::RunPresenter(LogPane& log, StatusBar& status, BottomRow& bottomRow,
                           MailListModel& mailModel, Dialogs& dialogs, const Clock& clock,
                           QWidget* owner)
    : QObject(owner)
    , m_log(log)
    , m_status(status)
    , m_bottomRow(bottomRow)
    , m_mailModel(mailModel)
    , m_dialogs(dialogs)
    , m_clock(clock)
    , m_owner(owner) {}

void RunPresenter::logBeginRun(const QString& firstLine) {
    m_log.beginRun(DateTimeText::stamp(m_clock.now()), firstLine);
}

void RunPresenter::logAppend(const QString& line) {
    m_log.append(line);
}

void RunPresenter::logEndRun() {
    m_log.endRun();
}

void RunPresenter::showStatus(const QString& text) {
    m_status.showText(text);
}

void RunPresenter::runPhaseChanged(RunPhase phase, bool deleteMailEnabled) {
    const bool running = phase != RunPhase::Idle;
    m_bottomRow.showRunControls(running, deleteMailEnabled);
    Q_EMIT tabsEnabled(!running);
    // A check starts the raw data afresh.
    if (phase == RunPhase::Checking && m_rawData && m_rawData->isVisible())
        m_rawData->clear();
    // The rows of the run reach the view in batches; the last of them at once.
    if (phase == RunPhase::Idle)
        m_mailModel.showPendingRows();
}

void RunPresenter::selectMailPage() {
    Q_EMIT mailPageWanted();
}

void RunPresenter::setCaption(const QString& caption) {
    Q_EMIT captionChanged(caption);
}

void RunPresenter::showMessage(const QString& text) {
    m_dialogs.message(text);
}

void RunPresenter::askYesNo(const Question& question, std::function<void(bool yes)> answered) {
    m_dialogs.ask(question, std::move(answered));
}

void RunPresenter::showRawBlock(QByteArrayView block) {
    // Only a check reads messages for the list; it is the one that shows them.
    if (!m_showRawData)
        return;
    if (!m_rawData)
        m_rawData = new RawDataWindow(m_owner);
    m_rawData->show();
    m_rawData->addBlock(block);
}

void RunPresenter::closeRawDataWindow() {
    if (m_rawData)
        m_rawData->close();
}

} // namespace mervantic
