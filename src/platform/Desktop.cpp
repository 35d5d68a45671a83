#include "platform/Desktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>

namespace mervantic {

bool SystemDesktop::fileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

bool SystemDesktop::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

bool SystemDesktop::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

QString installedFile(const QString& appFolder, const QString& name,
                      const std::function<bool(const QString&)>& exists) {
    const QString beside = appFolder + QLatin1Char('/') + name;
    if (exists(beside))
        return beside;
    const QString shared = appFolder + QStringLiteral("/../share/mervantic/") + name;
    return exists(shared) ? QFileInfo(shared).absoluteFilePath() : beside;
}

} // namespace mervantic
