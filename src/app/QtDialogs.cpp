#include "app/QtDialogs.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace mervantic {

namespace {

const QString kTitle = QStringLiteral("Mervantic");

QMessageBox* makeBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, kTitle, text, buttons, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

} // namespace

void QtDialogs::message(const QString& text) {
    QMessageBox* box = makeBox(m_parent, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void QtDialogs::warn(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(m_parent, text, QMessageBox::Ok));
    box->exec();
}

bool QtDialogs::question(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(m_parent, text, QMessageBox::Yes | QMessageBox::No));
    return box->exec() == QMessageBox::Yes;
}

void QtDialogs::ask(const QString& text, std::function<void(bool yes)> answered) {
    QMessageBox* box = makeBox(m_parent, text, QMessageBox::Yes | QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(
        box, &QMessageBox::finished, box,
        [answered = std::move(answered)](int result) { answered(result == QMessageBox::Yes); });
    box->open();
}

void QtDialogs::showFailure(const QString& text) {
    std::unique_ptr<QMessageBox> box(makeBox(nullptr, text, QMessageBox::Ok));
    box->exec();
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
