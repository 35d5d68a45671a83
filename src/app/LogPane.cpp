#include "app/LogPane.h"

#include "app/Twips.h"
#include "store/VisibleText.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>

namespace mervantic {

LogPane::LogPane(QWidget* parent)
    : QPlainTextEdit(parent) {
    setObjectName(QStringLiteral("Text1"));
    setAccessibleName(QStringLiteral("Log"));
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setRunColours(false);
    hide();
}

void LogPane::setRunColours(bool on) {
    m_runColours = on;
    QPalette colours = QApplication::palette(this);
    if (on) {
        colours.setColor(QPalette::Base, colours.color(QPalette::ToolTipBase));
        colours.setColor(QPalette::Text, colours.color(QPalette::ToolTipText));
    }
    setPalette(colours);
}

void LogPane::beginRun(const QString& dateTime, const QString& firstLine) {
    setRunColours(true);
    replaceAll(dateTime);
    append(firstLine);
}

void LogPane::append(const QString& line) {
    m_content += QStringLiteral("\r\n") + line;
    // A line may quote a server: what it sent is shown, never acted on.
    appendPlainText(visibleText(line));
    moveCursor(QTextCursor::End);
}

void LogPane::endRun() {
    setRunColours(false);
}

void LogPane::replaceAll(const QString& text) {
    m_content = text;
    setPlainText(visibleLines(text));
    moveCursor(QTextCursor::End);
}

QRectF LogPane::placement(const QRectF& pageArea, int mode) {
    const double top = pageArea.top() + 15;
    const double height = pageArea.height() - 30;
    if (mode == 0)
        return {pageArea.left(), top, pageArea.width(), height};
    return {pageArea.left() + pageArea.width() / 2, top, pageArea.width() / 2, height};
}

void LogPane::place(const QRectF& pageArea) {
    setGeometry(Twips::toPixels(placement(pageArea, m_mode)));
    raise();
}

void LogPane::mouseDoubleClickEvent(QMouseEvent* event) {
    // Double-clicking the log does nothing.
    event->accept();
}

} // namespace mervantic
