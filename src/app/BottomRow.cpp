#include "app/BottomRow.h"

#include "app/ClickableLabel.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mervantic {

BottomRow::BottomRow(QWidget* parent)
    : QWidget(parent)
    , m_recheckBox(new QLineEdit(this)) {
    m_recheckBox->setObjectName(QStringLiteral("Text10"));
    m_recheckBox->setAccessibleName(QStringLiteral("Timed re-check"));
    m_recheckBox->setReadOnly(true);
    m_recheckBox->setAlignment(Qt::AlignCenter);
    m_recheckBox->setGeometry(6, 0, 28, kHeight);
    m_checkMail = addButton(QStringLiteral("Command1"), QStringLiteral("Check Mail"), 38, 76);
    m_seen = addButton(QStringLiteral("Command2"), QStringLiteral("Seen"), 118, 48);
    m_cancel = addButton(QStringLiteral("Command7"), QStringLiteral("Cancel"), 118, 48);
    m_deleteMail = addButton(QStringLiteral("Command5"), QStringLiteral("Delete Mail"), 170, 72);
    m_menuButton = addButton(QStringLiteral("Command8"), QStringLiteral("Menu"), 246, 46);
    m_logButton = addButton(QStringLiteral("Command15"), QStringLiteral("Log"), 296, 36);
    m_cancel->hide();
    m_deleteMail->setEnabled(false);

    auto* alarm = new QFrame(this);
    alarm->setObjectName(QStringLiteral("Picture7"));
    alarm->setGeometry(336, 0, 42, kHeight);
    m_alarm = alarm;
    m_alarmLabel = new ClickableLabel(QStringLiteral("Alarm"), m_alarm);
    m_alarmLabel->setAutoFillBackground(true);
    m_alarmLabel->setObjectName(QStringLiteral("Label17"));
    m_alarmLabel->setAccessibleName(QStringLiteral("Alarm"));
    m_alarmLabel->setAlignment(Qt::AlignCenter);
    m_alarmLabel->setGeometry(0, 0, 42, kHeight);
    m_alarm->hide();
}

QPushButton* BottomRow::addButton(const QString& name, const QString& caption, int x, int width) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setGeometry(x, 0, width, kHeight);
    button->setAutoDefault(false);
    return button;
}

void BottomRow::showRunControls(bool running, bool deleteMailEnabled) {
    m_checkMail->setEnabled(!running);
    m_seen->setVisible(!running);
    m_cancel->setVisible(running);
    m_deleteMail->setEnabled(!running && deleteMailEnabled);
}

} // namespace mervantic
