#pragma once

#include "Fakes.h"
#include "pop3/RunView.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <utility>

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
    void runPhaseChanged(RunPhase phase_, bool deleteMailEnabled_) override {
        phase = phase_;
        running = phase_ != RunPhase::Idle;
        deleteMailEnabled = deleteMailEnabled_;
    }
    void selectMailPage() override { ++mailPageSelections; }
    void setCaption(const QString& caption_) override { caption = caption_; }
    void showMessage(const QString& text) override { messages << text; }
    void askYesNo(const Question& question, std::function<void(bool)> answered) override {
        questions << question.text;
        details << question.detail;
        noByDefault << question.noByDefault;
        if (holdAnswers) {
            pending = std::move(answered);
            return;
        }
        answered(answers.next());
    }
    // Answers the question left open while `holdAnswers` was set.
    void answerPending(bool yes) { std::exchange(pending, {})(yes); }
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
    // Leaves questions open, as a user who has not answered yet.
    bool holdAnswers = false;
    std::function<void(bool)> pending;
    QStringList rawBlocks;
    QString caption;
    bool running = false;
    bool deleteMailEnabled = false;
    bool runColours = false;
    RunPhase phase = RunPhase::Idle;
    int runsBegun = 0;
    int mailPageSelections = 0;
};

} // namespace mervantic::test
