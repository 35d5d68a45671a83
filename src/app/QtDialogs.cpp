#include "app/QtDialogs.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace mervantic {

namespace {

const QString kTitle = QStringLiteral("Mervantic");

int showBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

} // namespace

void QtDialogs::message(const QString& text) {
    showBox(m_parent, text, QMessageBox::Ok);
}

bool QtDialogs::question(const QString& text) {
    return showBox(m_parent, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogs::showFailure(const QString& text) {
    showBox(nullptr, text, QMessageBox::Ok);
}

std::optional<QString> QtDialogs::askRunPassword(const QString& prompt) {
    QInputDialog dialog;
    dialog.setWindowTitle(kTitle);
    dialog.setLabelText(prompt);
    dialog.setTextValue(QString());
    dialog.setTextEchoMode(QLineEdit::Password);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

} // namespace mervantic
