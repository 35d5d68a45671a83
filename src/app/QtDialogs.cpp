#include "app/QtDialogs.h"

#include <QFontDialog>
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

void QtDialogs::ask(const Question& question, std::function<void(bool yes)> answered) {
    QMessageBox* box = makeBox(m_parent, question.text, QMessageBox::Yes | QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (!question.detail.isEmpty())
        box->setInformativeText(question.detail);
    box->setDefaultButton(question.noByDefault ? QMessageBox::No : QMessageBox::Yes);
    QObject::connect(
        box, &QMessageBox::finished, box,
        [answered = std::move(answered)](int result) { answered(result == QMessageBox::Yes); });
    box->open();
}

std::optional<FontChoice> QtDialogs::chooseFont(const FontChoice& preset) {
    bool chosen = false;
    // Scalable screen fonts only, as the lists and boxes use them.
    const QFont picked =
        QFontDialog::getFont(&chosen, fontForDialog(preset), m_parent, QStringLiteral("Text Fonts"),
                             QFontDialog::ScalableFonts);
    if (!chosen)
        return std::nullopt;
    return fontChoiceOf(picked);
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
