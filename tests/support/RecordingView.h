#pragma once

#include "Fakes.h"
#include "pop3/RunView.h"

#include <QStringList>

#include <deque>
#include <functional>

namespace mervantic::test {

// Records what a run shows and answers its questions from a queue (Yes when the queue is empty).
class RecordingView final : public RunView {
public:
    void logBeginRun(const QString& firstLine) override {
        ++runsBegun;
        runColours = true;
        log = QStringList{QStringLiteral("<date-time>"), firstLine};
        if (onLog)
            onLog(firstLine);
    }
    void logAppend(const QString& line) override {
        log << line;
        if (onLog)
            onLog(line);
    }
    void logEndRun() override { runColours = false; }
    void showStatus(const QString& text) override { statuses << text; }
    void showRunControls(bool running_, bool deleteMailEnabled_) override {
        running = running_;
        deleteMailEnabled = deleteMailEnabled_;
    }
    void selectMailPage() override { ++mailPageSelections; }
    void setCaption(const QString& caption_) override { caption = caption_; }
    void showMessage(const QString& text) override { messages << text; }
    void runActivityChanged(RunActivity activity_) override { activity = activity_; }
    void askYesNo(const Question& question, std::function<void(bool)> answered) override {
        questions << question.text;
        details << question.detail;
        noByDefault << question.noByDefault;
        answered(answers.next());
    }
    void showRawBlock(QByteArrayView block) override { rawBlocks << QString::fromLatin1(block); }

    // The log without the date-time line that a run begins with.
    QStringList lines() const {
        return !log.isEmpty() && log.first() == QStringLiteral("<date-time>") ? log.mid(1) : log;
    }

    // Called after each line is logged, for tests that act at a given moment of a run.
    std::function<void(const QString&)> onLog;
    QStringList log;
    QStringList statuses;
    QStringList messages;
    QStringList questions;
    // What each question says under its text, and whether Enter answers No.
    QStringList details;
    QList<bool> noByDefault;
    AnswerQueue answers;
    QStringList rawBlocks;
    QString caption;
    bool running = false;
    bool deleteMailEnabled = false;
    bool runColours = false;
    RunActivity activity = RunActivity::Idle;
    int runsBegun = 0;
    int mailPageSelections = 0;
};

} // namespace mervantic::test
