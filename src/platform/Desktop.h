#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace mervantic {

// What the program asks of the desktop beyond its own windows: starting another program, and
// opening a document with whatever the user has chosen for it. Tests record the requests.
class Desktop {
public:
    virtual bool fileExists(const QString& path) = 0;
    // Each false when the desktop could not even start what would do it.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    virtual bool openUrl(const QUrl& url) = 0;

protected:
    ~Desktop() = default;
};

// The desktop of this computer.
class SystemDesktop final : public Desktop {
public:
    bool fileExists(const QString& path) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool openUrl(const QUrl& url) override;
};

// The program's files that are installed with it (the settings template, the help page): beside
// the program, or, in an installation that keeps data apart, in share/mervantic next to its bin.
QString installedFile(const QString& appFolder, const QString& name,
                      const std::function<bool(const QString&)>& exists);

} // namespace mervantic
