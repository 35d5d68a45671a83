#include "app/RawDataWindow.h"

#include "store/VisibleText.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace mervantic {

RawDataWindow::RawDataWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_text(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("FormDeBuggy1"));
    setWindowTitle(QStringLiteral("Mervantic - POP3 Data"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setUndoRedoEnabled(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
    resize(600, 400);
}

void RawDataWindow::addBlock(QByteArrayView block) {
    const QString text = QString::fromLatin1(block);
    if (m_content.size() + text.size() > kMostCharacters)
        clear();
    m_content += text + QStringLiteral("\r\n");
    // The pane shows lines; the block's own last line break is the one between blocks.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    m_text->appendPlainText(visibleLines(shown));
    m_text->moveCursor(QTextCursor::End);
}

void RawDataWindow::clear() {
    m_text->clear();
    m_content.clear();
}

} // namespace mervantic
