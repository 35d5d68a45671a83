#pragma once

#include "pop3/RunView.h"

#include <QMainWindow>

class QPlainTextEdit;
class QPushButton;

namespace mervantic {

// A plain window with the log, the status bar and the run buttons, standing in until the main
// window with its pages exists.
class MinimalWindow final : public QMainWindow, public RunView {
    Q_OBJECT

public:
    explicit MinimalWindow(QWidget* parent = nullptr);

    QPushButton* checkMailButton() const { return m_checkMail; }
    QPushButton* cancelButton() const { return m_cancel; }

    void logBeginRun(const QString& firstLine) override;
    void logAppend(const QString& line) override;
    void logEndRun() override;
    void logReplaceAll(const QString& text) override;
    void showStatus(const QString& text) override;
    void showRunControls(bool running, bool deleteMailEnabled) override;
    void selectMailPage() override;
    void setCaption(const QString& caption) override;
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& question) override;
    void showRawBlock(QByteArrayView block) override;

private:
    QPlainTextEdit* m_log;
    QPushButton* m_checkMail;
    QPushButton* m_cancel;
};

} // namespace mervantic
