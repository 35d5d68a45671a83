#pragma once

#include <QWidget>

class QLabel;

namespace mervantic {
class ClickableLabel;
}
class QLineEdit;
class QPushButton;

namespace mervantic {

// The row along the bottom of the main window: the timed re-check box, "Check Mail", "Seen"
// (or "Cancel" in its place while a run is in progress), "Delete Mail", "Menu", "Log" and the
// alarm indicator, each at its designed place.
class BottomRow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 24;

    explicit BottomRow(QWidget* parent = nullptr);

    // While a run is in progress: "Check Mail" disabled, "Cancel" shown in place of "Seen",
    // "Delete Mail" disabled; after it, "Delete Mail" as `deleteMailEnabled` says.
    void showRunControls(bool running, bool deleteMailEnabled);

    QLineEdit* recheckBox() const { return m_recheckBox; }
    QPushButton* checkMail() const { return m_checkMail; }
    QPushButton* seen() const { return m_seen; }
    QPushButton* cancel() const { return m_cancel; }
    QPushButton* deleteMail() const { return m_deleteMail; }
    QPushButton* menuButton() const { return m_menuButton; }
    QPushButton* logButton() const { return m_logButton; }
    QWidget* alarm() const { return m_alarm; }
    ClickableLabel* alarmLabel() const { return m_alarmLabel; }

private:
    QPushButton* addButton(const QString& name, const QString& caption, int x, int width);

    QLineEdit* m_recheckBox;
    QPushButton* m_checkMail;
    QPushButton* m_seen;
    QPushButton* m_cancel;
    QPushButton* m_deleteMail;
    QPushButton* m_menuButton;
    QPushButton* m_logButton;
    QWidget* m_alarm;
    ClickableLabel* m_alarmLabel;
};

} // namespace mervantic
