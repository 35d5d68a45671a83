#include "AssistiveTechnology.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <atspi/atspi.h>
#include <deque>

namespace mervantic::test {

namespace {

constexpr char kLauncher[] = "/usr/libexec/at-spi-bus-launcher";

QString taken(gchar* text) {
    const QString copy = QString::fromUtf8(text != nullptr ? text : "");
    g_free(text);
    return copy;
}

} // namespace

AssistiveTechnology::Node::Node(AtspiAccessible* accessible)
    : m_accessible(accessible) {}

AssistiveTechnology::Node::Node(const Node& other)
    : m_accessible(other.m_accessible != nullptr
                       ? ATSPI_ACCESSIBLE(g_object_ref(other.m_accessible))
                       : nullptr) {}

AssistiveTechnology::Node& AssistiveTechnology::Node::operator=(const Node& other) {
    if (this != &other) {
        Node copy(other);
        std::swap(m_accessible, copy.m_accessible);
    }
    return *this;
}

AssistiveTechnology::Node::~Node() {
    if (m_accessible != nullptr)
        g_object_unref(m_accessible);
}

QString AssistiveTechnology::Node::name() const {
    if (m_accessible == nullptr)
        return {};
    atspi_accessible_clear_cache(m_accessible);
    return taken(atspi_accessible_get_name(m_accessible, nullptr));
}

QString AssistiveTechnology::Node::role() const {
    return m_accessible != nullptr ? taken(atspi_accessible_get_role_name(m_accessible, nullptr))
                                   : QString();
}

int AssistiveTechnology::Node::childCount() const {
    return m_accessible != nullptr ? atspi_accessible_get_child_count(m_accessible, nullptr) : 0;
}

AssistiveTechnology::Node AssistiveTechnology::Node::child(int index) const {
    return Node(m_accessible != nullptr
                    ? atspi_accessible_get_child_at_index(m_accessible, index, nullptr)
                    : nullptr);
}

AssistiveTechnology::Node AssistiveTechnology::Node::find(const QString& role, const QString& name,
                                                          int depth) const {
    std::deque<std::pair<Node, int>> waiting{{*this, 0}};
    while (!waiting.empty()) {
        auto [node, level] = waiting.front();
        waiting.pop_front();
        if (level > 0 && node.role() == role && node.name() == name)
            return node;
        if (level >= depth)
            continue;
        const int children = node.childCount();
        // A table's cells are reached through cell(), not by walking thousands of them.
        if (node.role() == QLatin1String("table"))
            continue;
        for (int i = 0; i < children; ++i)
            if (Node child = node.child(i))
                waiting.emplace_back(child, level + 1);
    }
    return {};
}

bool AssistiveTechnology::Node::has(const char* state) const {
    if (m_accessible == nullptr)
        return false;
    atspi_accessible_clear_cache(m_accessible);
    AtspiStateSet* states = atspi_accessible_get_state_set(m_accessible);
    auto* type = static_cast<GEnumClass*>(g_type_class_ref(ATSPI_TYPE_STATE_TYPE));
    const GEnumValue* value = g_enum_get_value_by_nick(type, state);
    const bool found = value != nullptr && states != nullptr &&
                       atspi_state_set_contains(states, static_cast<AtspiStateType>(value->value));
    g_type_class_unref(type);
    if (states != nullptr)
        g_object_unref(states);
    return found;
}

QStringList AssistiveTechnology::Node::actions() const {
    QStringList names;
    AtspiAction* action =
        m_accessible != nullptr ? atspi_accessible_get_action_iface(m_accessible) : nullptr;
    if (action == nullptr)
        return names;
    const int count = atspi_action_get_n_actions(action, nullptr);
    for (int i = 0; i < count; ++i)
        names << taken(atspi_action_get_action_name(action, i, nullptr));
    g_object_unref(action);
    return names;
}

bool AssistiveTechnology::Node::act(const QString& name) const {
    const int index = static_cast<int>(actions().indexOf(name));
    if (index < 0)
        return false;
    AtspiAction* action = atspi_accessible_get_action_iface(m_accessible);
    const bool done = atspi_action_do_action(action, index, nullptr) != FALSE;
    g_object_unref(action);
    return done;
}

int AssistiveTechnology::Node::rows() const {
    AtspiTable* table =
        m_accessible != nullptr ? atspi_accessible_get_table_iface(m_accessible) : nullptr;
    if (table == nullptr)
        return -1;
    const int count = atspi_table_get_n_rows(table, nullptr);
    g_object_unref(table);
    return count;
}

AssistiveTechnology::Node AssistiveTechnology::Node::cell(int row, int column) const {
    AtspiTable* table =
        m_accessible != nullptr ? atspi_accessible_get_table_iface(m_accessible) : nullptr;
    if (table == nullptr)
        return {};
    Node found(atspi_table_get_accessible_at(table, row, column, nullptr));
    g_object_unref(table);
    return found;
}

AssistiveTechnology::AssistiveTechnology() = default;

AssistiveTechnology::~AssistiveTechnology() {
    if (m_listener != nullptr)
        g_object_unref(m_listener);
    if (m_launcher.state() != QProcess::NotRunning) {
        m_launcher.terminate();
        if (!m_launcher.waitForFinished(5000))
            m_launcher.kill();
        m_launcher.waitForFinished(2000);
    }
}

bool AssistiveTechnology::start(const PrivateBus& bus) {
    if (!QFile::exists(QString::fromLatin1(kLauncher))) {
        m_why = QStringLiteral("at-spi2-core is not installed");
        return false;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    bus.addTo(env);
    // The accessibility bus's socket goes into the runtime folder: one of the test's own.
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
    env.remove(QStringLiteral("DISPLAY"));
    m_launcher.setProcessEnvironment(env);
    m_launcher.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_launcher.start(QString::fromLatin1(kLauncher), {QStringLiteral("--launch-immediately")});
    if (!m_launcher.waitForStarted(5000)) {
        m_why = QStringLiteral("at-spi-bus-launcher did not start");
        return false;
    }
    QDBusConnection connection = bus.connection(QStringLiteral("a11y"));
    QElapsedTimer waited;
    waited.start();
    while (!connection.interface()->isServiceRegistered(QStringLiteral("org.a11y.Bus")) &&
           waited.elapsed() < 10000)
        QThread::msleep(20);
    QDBusInterface launcher(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                            QStringLiteral("org.a11y.Bus"), connection);
    const QDBusReply<QString> address = launcher.call(QStringLiteral("GetAddress"));
    if (!address.isValid() || address.value().isEmpty()) {
        m_why =
            QStringLiteral("the accessibility bus has no address: ") + address.error().message();
        return false;
    }
    // The client reaches the accessibility bus straight, whatever its own session bus is.
    qputenv("AT_SPI_BUS_ADDRESS", address.value().toUtf8());
    if (atspi_init() > 1) {
        m_why = QStringLiteral("libatspi did not start");
        return false;
    }
    return true;
}

void AssistiveTechnology::addTo(QProcessEnvironment& environment) {
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_ACCESSIBILITY"), QStringLiteral("1"));
    // As on a desktop, the program finds the accessibility bus through its session bus; with the
    // client's direct address in its environment, Qt's bridge here never came on.
    environment.remove(QStringLiteral("AT_SPI_BUS_ADDRESS"));
}

AssistiveTechnology::Node AssistiveTechnology::application(const QString& name, int ms) {
    Node found;
    waitUntil(
        [&] {
            Node desktop(atspi_get_desktop(0));
            for (int i = 0; i < desktop.childCount(); ++i) {
                Node app = desktop.child(i);
                if (app && app.name() == name) {
                    found = app;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

void AssistiveTechnology::heard(void* event, void* self) {
    auto* atspiEvent = static_cast<AtspiEvent*>(event);
    Event copy;
    copy.type = QString::fromUtf8(atspiEvent->type);
    copy.source =
        Node(atspiEvent->source != nullptr ? ATSPI_ACCESSIBLE(g_object_ref(atspiEvent->source))
                                           : nullptr)
            .name();
    copy.detail1 = atspiEvent->detail1;
    static_cast<AssistiveTechnology*>(self)->m_events.push_back(copy);
    g_boxed_free(ATSPI_TYPE_EVENT, atspiEvent);
}

bool AssistiveTechnology::listen(const char* type) {
    if (m_listener == nullptr)
        m_listener = atspi_event_listener_new(
            reinterpret_cast<AtspiEventListenerCB>(&AssistiveTechnology::heard), this, nullptr);
    return atspi_event_listener_register(static_cast<AtspiEventListener*>(m_listener), type,
                                         nullptr) != FALSE;
}

bool AssistiveTechnology::waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > ms)
            return false;
        while (g_main_context_iteration(nullptr, FALSE) != FALSE) {
        }
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    return true;
}

} // namespace mervantic::test
