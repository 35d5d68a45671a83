#include "app/MinimalWindow.h"

#include "platform/DateTimeText.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace mervantic {

namespace {
const QString kTitle = QStringLiteral("Mervantic");

QMessageBox::StandardButton ask(QWidget* parent, const QString& text,
                                QMessageBox::StandardButtons buttons) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
} // namespace

MinimalWindow::MinimalWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_log(new QPlainTextEdit)
    , m_checkMail(new QPushButton(QStringLiteral("Check Mail")))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"))) {
    setWindowTitle(kTitle + QStringLiteral(" email"));
    m_log->setReadOnly(true);
    m_cancel->hide();
    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(m_log);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_checkMail);
    buttons->addWidget(m_cancel);
    buttons->addStretch();
    layout->addLayout(buttons);
    setCentralWidget(central);
    statusBar();
    resize(682, 351);
}

void MinimalWindow::logBeginRun(const QString& firstLine) {
    m_log->setPlainText(DateTimeText::stamp(QDateTime::currentDateTime()));
    logAppend(firstLine);
}

void MinimalWindow::logAppend(const QString& line) {
    m_log->appendPlainText(line);
}

void MinimalWindow::logEndRun() {}

void MinimalWindow::logReplaceAll(const QString& text) {
    m_log->setPlainText(text);
}

void MinimalWindow::showStatus(const QString& text) {
    statusBar()->showMessage(text);
}

void MinimalWindow::showRunControls(bool running, bool /*deleteMailEnabled*/) {
    m_checkMail->setEnabled(!running);
    m_cancel->setVisible(running);
}

void MinimalWindow::selectMailPage() {}

void MinimalWindow::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void MinimalWindow::showMessage(const QString& text) {
    ask(this, text, QMessageBox::Ok);
}

bool MinimalWindow::askYesNo(const QString& question) {
    return ask(this, question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void MinimalWindow::showRawBlock(QByteArrayView /*block*/) {}

} // namespace mervantic
