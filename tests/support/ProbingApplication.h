#pragma once

#include <QCoreApplication>

namespace mervantic::test {

// The core tests' application object. It counts how deeply event deliveries nest: a handler
// that spins an event loop of its own (a wait that dispatches events) delivers further events
// inside its own delivery, and the depth passes 1.
class ProbingApplication final : public QCoreApplication {
public:
    ProbingApplication(int& argc, char** argv)
        : QCoreApplication(argc, argv) {}

    bool notify(QObject* receiver, QEvent* event) override {
        ++s_depth;
        s_deepest = std::max(s_deepest, s_depth);
        const bool handled = QCoreApplication::notify(receiver, event);
        --s_depth;
        return handled;
    }

    static void resetDeepest() { s_deepest = 0; }
    // The deepest nesting of event deliveries since the last reset.
    static int deepest() { return s_deepest; }

private:
    static inline int s_depth = 0;
    static inline int s_deepest = 0;
};

} // namespace mervantic::test
