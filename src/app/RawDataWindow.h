#pragma once

#include <QByteArrayView>
#include <QWidget>

class QPlainTextEdit;

namespace mervantic {

// "POP3 Data": the raw text of every message the servers send during a check, as plain text in
// a fixed-pitch font, the newest at the end. It holds at most about 25,000 characters: a block
// that would take it beyond clears it first.
class RawDataWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr qsizetype kMostCharacters = 25000;

    explicit RawDataWindow(QWidget* parent = nullptr);

    // One message, one byte per character, followed by a line break.
    void addBlock(QByteArrayView block);
    void clear();
    // The text as the window holds it, blocks followed by CR LF.
    const QString& content() const { return m_content; }
    QPlainTextEdit* textBox() const { return m_text; }

private:
    QPlainTextEdit* m_text;
    QString m_content;
};

} // namespace mervantic
