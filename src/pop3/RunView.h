#pragma once

#include <QByteArrayView>
#include <QString>

namespace mervantic {

// What a run shows to the user and asks of them. The main window implements it; tests record
// it. The log pane lines are plain text; server replies arrive here verbatim.
class RunView {
public:
    virtual ~RunView() = default;

    // Restarts the log with the date-time line and `firstLine`, in the colours of a run.
    virtual void logBeginRun(const QString& firstLine) = 0;
    virtual void logAppend(const QString& line) = 0;
    // Back to the normal colours.
    virtual void logEndRun() = 0;
    virtual void showStatus(const QString& text) = 0;

    // The buttons and tabs while a run is in progress ("Check Mail" and the tabs disabled,
    // "Cancel" shown in place of "Seen") or after it.
    virtual void showRunControls(bool running, bool deleteMailEnabled) = 0;
    virtual void selectMailPage() = 0;
    virtual void setCaption(const QString& caption) = 0;

    virtual void showMessage(const QString& text) = 0;
    virtual bool askYesNo(const QString& question) = 0;

    // One message as the server sent it (one byte per character), for the raw-data window.
    virtual void showRawBlock(QByteArrayView block) = 0;
};

} // namespace mervantic
