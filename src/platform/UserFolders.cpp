#include "platform/UserFolders.h"

#include "platform/PrivateFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace mervantic {

QString DesktopUserFolders::systemFolder() {
    return QStringLiteral("/");
}

std::optional<QString> DesktopUserFolders::userName() {
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr)
        return QString::fromLocal8Bit(entry->pw_name);
    const QString fromEnvironment = qEnvironmentVariable("USER");
    if (fromEnvironment.isEmpty())
        return std::nullopt;
    return fromEnvironment;
}

std::optional<QString> DesktopUserFolders::profileFolder() {
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    if (home.isEmpty())
        return std::nullopt;
    return home;
}

std::optional<QString> DesktopUserFolders::defaultProfileFolder() {
    return QStringLiteral("/etc/skel");
}

QString DesktopUserFolders::applicationDataFolder(const QString& userFolder) {
    // The XDG data home when it is set (an absolute path), else its default under the user
    // folder.
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.isEmpty() && QDir::isAbsolutePath(dataHome))
        return QDir::cleanPath(dataHome);
    return userFolder + QStringLiteral("/.local/share");
}

bool DesktopUserFolders::isFolder(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isDir();
}

bool DesktopUserFolders::isPlainFile(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

QString DesktopUserFolders::whyNotPrivate(const QString& folder, const QStringList& fileNames) {
    return mervantic::whyNotPrivate(folder, fileNames);
}

bool DesktopUserFolders::makeFolder(const QString& path) {
    return QDir().mkpath(path) && isFolder(path);
}

} // namespace mervantic

namespace mervantic {

qint64 DesktopUserFolders::fileSize(const QString& path) {
    return QFileInfo(path).size();
}

bool DesktopUserFolders::copyFile(const QString& from, const QString& to) {
    return QFile::copy(from, to);
}

} // namespace mervantic
