#pragma once

#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace mervantic::test {

// A Wayland compositor of the test's own: Weston on its headless back end, drawing in memory,
// with screenshots allowed, for the real program running natively on Wayland.
class WestonCompositor {
public:
    WestonCompositor();
    ~WestonCompositor();

    // False (with why()) when it cannot run here.
    bool start();
    QString why() const { return m_why; }
    // Points a program at this compositor (and away from any X server).
    void addTo(QProcessEnvironment& environment) const;
    // The whole screen as it is drawn now.
    QImage screenshot();

private:
    QString socket() const;

    QTemporaryDir m_runtime;
    QProcess m_weston;
    QString m_why;
};

} // namespace mervantic::test
