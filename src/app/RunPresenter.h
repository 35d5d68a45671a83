#pragma once

#include "app/RawDataWindow.h"
#include "pop3/RunView.h"

#include <QObject>
#include <QPointer>

namespace mervantic {

class BottomRow;
class Clock;
class Dialogs;
class LogPane;
class MailListModel;
class StatusBar;

// Shows the run in the main window: the log pane, the status bar, the bottom row's buttons, the
// message and question boxes. What belongs to the window itself (its tabs, its caption, the mail
// page) it asks for through signals.
class RunPresenter final : public QObject, public RunView {
    Q_OBJECT

public:
    RunPresenter(LogPane& log, StatusBar& status, BottomRow& bottomRow, MailListModel& mailModel,
                 Dialogs& dialogs, const Clock& clock, QWidget* owner);

    // "&Show POP3 Data In Pop-Up Window": while on, each message a check reads is shown in the
    // raw-data window, which opens at the first one.
    void setShowRawData(bool on) { m_showRawData = on; }
    bool showRawData() const { return m_showRawData; }
    RawDataWindow* rawDataWindow() const { return m_rawData; }
    void closeRawDataWindow();

    void logBeginRun(const QString& firstLine) override;
    void logAppend(const QString& line) override;
    void logEndRun() override;
    void showStatus(const QString& text) override;
    void runPhaseChanged(RunPhase phase, bool deleteMailEnabled) override;
    void selectMailPage() override;
    void setCaption(const QString& caption) override;
    void showMessage(const QString& text) override;
    void askYesNo(const Question& question, std::function<void(bool yes)> answered) override;
    void showRawBlock(QByteArrayView block) override;

Q_SIGNALS:
    void tabsEnabled(bool enabled);
    void mailPageWanted();
    void captionChanged(const QString& caption);

private:
    LogPane& m_log;
    StatusBar& m_status;
    BottomRow& m_bottomRow;
    MailListModel& m_mailModel;
    Dialogs& m_dialogs;
    const Clock& m_clock;
    bool m_showRawData = false;
    QPointer<RawDataWindow> m_rawData;
    QWidget* m_owner;
};

} // namespace mervantic
