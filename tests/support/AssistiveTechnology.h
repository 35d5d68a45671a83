#pragma once

#include "PrivateBus.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <vector>

typedef struct _AtspiAccessible AtspiAccessible;

namespace mervantic::test {

// What a screen reader does, for real: the desktop's accessibility bus (at-spi2-core's bus
// launcher and registry) beside a private session bus, and a client (libatspi) that walks the
// programs registered there, reads their states, calls their actions and hears their events.
// One per test process: libatspi keeps its connection for the life of the process.
class AssistiveTechnology {
public:
    // A node of a program's accessibility tree; null when nothing was found.
    class Node {
    public:
        Node() = default;
        explicit Node(AtspiAccessible* accessible);
        Node(const Node& other);
        Node& operator=(const Node& other);
        ~Node();

        explicit operator bool() const { return m_accessible != nullptr; }
        QString name() const;
        QString role() const;
        int childCount() const;
        Node child(int index) const;
        // The first node beneath this one (breadth first) with this role and name.
        Node find(const QString& role, const QString& name, int depth = 8) const;
        bool has(const char* state) const;
        QStringList actions() const;
        bool act(const QString& action) const;
        int rows() const;
        Node cell(int row, int column) const;
        AtspiAccessible* raw() const { return m_accessible; }

    private:
        AtspiAccessible* m_accessible = nullptr;
    };

    struct Event {
        QString type;
        QString source;
        int detail1 = 0;
    };

    AssistiveTechnology();
    ~AssistiveTechnology();

    // Starts the accessibility bus on `bus` and connects the client; false (with why()) when it
    // cannot run here.
    bool start(const PrivateBus& bus);
    QString why() const { return m_why; }
    // What a program needs to register there (Qt's bridge on, whatever the desktop says).
    static void addTo(QProcessEnvironment& environment);

    // The program registered under `name`, waiting up to `ms` for it.
    Node application(const QString& name, int ms = 10000);
    // Listens for events of `type` (such as "object:state-changed:checked").
    bool listen(const char* type);
    // Runs the client's event loop until `done` or `ms` passed.
    bool waitUntil(const std::function<bool()>& done, int ms = 10000);
    const std::vector<Event>& events() const { return m_events; }

private:
    static void heard(void* event, void* self);

    QTemporaryDir m_runtime;
    QProcess m_launcher;
    QString m_why;
    std::vector<Event> m_events;
    void* m_listener = nullptr;
};

} // namespace mervantic::test
