#pragma once

#include "pop3/Question.h"
#include "pop3/RunState.h"

#include <QByteArrayView>
#include <QString>

#include <functional>

namespace mervantic {

// What a run shows to the user and asks of them. The main window implements it; tests record
// it. The log pane lines are plain text; server replies arrive here verbatim. Nothing here may
// wait for the user on the run's stack: a message box is shown and the call returns, and a
// question is answered through its callback whenever the user answers.
class RunView {
public:
    virtual ~RunView() = default;

    // Restarts the log with the date-time line and `firstLine`, in the colours of a run.
    virtual void logBeginRun(const QString& firstLine) = 0;
    virtual void logAppend(const QString& line) = 0;
    // Back to the normal colours.
    virtual void logEndRun() = 0;
    virtual void showStatus(const QString& text) = 0;

    // The runs moved to `phase`: the buttons and tabs while a run is in progress ("Check Mail"
    // and the tabs disabled, "Cancel" shown in place of "Seen") or after it, when "Delete Mail"
    // is enabled as `deleteMailEnabled` says.
    virtual void runPhaseChanged(RunPhase phase, bool deleteMailEnabled) = 0;
    virtual void selectMailPage() = 0;
    virtual void setCaption(const QString& caption) = 0;

    virtual void showMessage(const QString& text) = 0;
    // `answered` receives true for Yes. It may run before this call returns or much later.
    virtual void askYesNo(const Question& question, std::function<void(bool yes)> answered) = 0;

    // One message as the server sent it (one byte per character), for the raw-data window.
    virtual void showRawBlock(QByteArrayView block) = 0;
};

} // namespace mervantic
