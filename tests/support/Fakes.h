#pragma once

#include "platform/Beeper.h"
#include "platform/Clock.h"
#include "platform/Connectivity.h"

#include <QDateTime>

#include <deque>

namespace mervantic::test {

// A clock that stands still until the test moves it.
class FakeClock final : public Clock {
public:
    std::uint32_t tickCount() const override { return m_ticks; }
    QDateTime now() const override { return m_now; }

    void setTicks(std::uint32_t ticks) { m_ticks = ticks; }
    void advance(std::uint32_t ms) {
        m_ticks += ms;
        m_now = m_now.addMSecs(ms);
    }
    void setNow(const QDateTime& now) { m_now = now; }

private:
    std::uint32_t m_ticks = 1000;
    QDateTime m_now = QDateTime(QDate(2026, 12, 10), QTime(9, 15, 2));
};

// A clock that moves on by a fixed step every time it is read.
class SteppingClock final : public Clock {
public:
    SteppingClock(std::uint32_t start, std::uint32_t step)
        : m_ticks(start)
        , m_step(step) {}
    std::uint32_t tickCount() const override {
        const std::uint32_t now = m_ticks;
        m_ticks += m_step;
        ++m_reads;
        return now;
    }
    QDateTime now() const override { return {}; }
    int reads() const { return m_reads; }

private:
    mutable std::uint32_t m_ticks;
    std::uint32_t m_step;
    mutable int m_reads = 0;
};

// Answers from a queue of states; once the queue is empty, the last answer stays.
class FakeConnectivity final : public Connectivity {
public:
    bool isOnline() override {
        ++m_questions;
        if (m_answers.size() > 1) {
            const bool answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return m_answers.empty() ? true : m_answers.front();
    }
    void setAnswers(std::deque<bool> answers) { m_answers = std::move(answers); }
    int questions() const { return m_questions; }

private:
    std::deque<bool> m_answers;
    int m_questions = 0;
};

// Answers to Yes/No questions, in order; Yes once the queue is empty.
struct AnswerQueue {
    std::deque<bool> answers;
    AnswerQueue& operator=(std::initializer_list<bool> list) {
        answers = list;
        return *this;
    }
    bool next() {
        if (answers.empty())
            return true;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class CountingBeeper final : public Beeper {
public:
    void beep() override { ++m_beeps; }
    int beeps() const { return m_beeps; }

private:
    int m_beeps = 0;
};

} // namespace mervantic::test
