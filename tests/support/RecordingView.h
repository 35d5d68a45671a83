#pragma once

#include "Fakes.h"
#include "pop3/RunView.h"

#include <QStringList>

#include <deque>

namespace mervantic::test {

// Records what a run shows and answers its questions from a queue (Yes when the queue is empty).
class RecordingView final : public RunView {
public:
    void logBeginRun(const QString& firstLine) override {
        ++runsBegun;
        runColours = true;
        log = QStringList{QStringLiteral("<date-time>"), firstLine};
    }
    void logAppend(const QString& line) override { log << line; }
    void logEndRun() override { runColours = false; }
    void showStatus(const QString& text) override { statuses << text; }
    void showRunControls(bool running_, bool deleteMailEnabled_) override {
        running = running_;
        deleteMailEnabled = deleteMailEnabled_;
    }
    void selectMailPage() override { ++mailPageSelections; }
    void setCaption(const QString& caption_) override { caption = caption_; }
    void showMessage(const QString& text) override { messages << text; }
    bool askYesNo(const QString& question) override {
        questions << question;
        return answers.next();
    }
    void showRawBlock(QByteArrayView block) override { rawBlocks << QString::fromLatin1(block); }

    // The log without the date-time line that a run begins with.
    QStringList lines() const {
        return !log.isEmpty() && log.first() == QStringLiteral("<date-time>") ? log.mid(1) : log;
    }

    QStringList log;
    QStringList statuses;
    QStringList messages;
    QStringList questions;
    AnswerQueue answers;
    QStringList rawBlocks;
    QString caption;
    bool running = false;
    bool deleteMailEnabled = false;
    bool runColours = false;
    int runsBegun = 0;
    int mailPageSelections = 0;
};

} // namespace mervantic::test
