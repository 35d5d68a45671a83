#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace mervantic::test {

// A home folder of its own for a real run of the program on a private display: the data folder
// the program reads and writes, a runtime folder only its user may enter, and the environment
// that points the program at them.
class ProgramHome {
public:
    ProgramHome();

    // False when the folders could not be made.
    bool isReady() const { return m_ready; }
    QString path() const { return m_home.path(); }
    // The program's own data folder, where its settings and account files live.
    QString dataFolder() const;
    // The environment of a program on `display` (":<number>") with this home.
    QProcessEnvironment environment(const QString& display) const;

private:
    QTemporaryDir m_home;
    bool m_ready = false;
};

} // namespace mervantic::test
