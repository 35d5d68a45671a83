#include "app/QtDialogs.h"

#include "store/VisibleText.h"

#include <QApplication>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include <cstdio>

namespace mervantic {

namespace {

const QString kTitle = QStringLiteral("Mervantic");

QMessageBox* makeBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, kTitle, visibleLines(text), buttons, parent);
    box->setTextFormat(Qt::PlainText);
    return box;
}

// The box's text format reaches its main text only: the informative text has a label of its
// own, which would guess rich text and open links.
void setPlainInformativeText(QMessageBox* box, const QString& text) {
    box->setInformativeText(visibleLines(text));
    for (QLabel* label : box->findChildren<QLabel*>()) {
        label->setTextFormat(Qt::PlainText);
        label->setOpenExternalLinks(false);
        label->setTextInteractionFlags(
            label->textInteractionFlags() &
            ~(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard));
    }
}

} // namespace

void QtDialogs::message(const QString& text) {
    m_waiting << text;
    if (!m_shown)
        showNextMessage();
}

void QtDialogs::showNextMessage() {
    if (m_waiting.isEmpty())
        return;
    QMessageBox* box = makeBox(m_parent, m_waiting.takeFirst(), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    m_shown = box;
    QObject::connect(box, &QMessageBox::finished, box, [this] {
        m_shown = nullptr;
        // From the event loop: the box that ended is still on the stack.
        QMetaObject::invokeMethod(
            m_parent ? static_cast<QObject*>(m_parent.data()) : qApp,
            [this] {
                if (!m_shown)
                    showNextMessage();
            },
            Qt::QueuedConnection);
    });
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
        setPlainInformativeText(box, question.detail);
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
    // Also for whoever started the program from a terminal, or logs what a session starts.
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::unique_ptr<QMessageBox> box(makeBox(nullptr, text, QMessageBox::Ok));
    box->exec();
}

std::optional<QString> QtDialogs::askRunPassword(const QString& prompt) {
    QInputDialog dialog;
    dialog.setWindowTitle(kTitle);
    dialog.setLabelText(visibleLines(prompt));
    dialog.setTextValue(QString());
    dialog.setTextEchoMode(QLineEdit::Password);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

} // namespace mervantic
