#pragma once

#include "platform/UserFolders.h"

namespace mervantic::test {

// The desktop's folder operations on a temporary tree, with the system's answers set by the test.
class FakeFolders final : public UserFolders {
public:
    int family = 2;
    QString system;
    QString drive;
    std::optional<QString> name = QStringLiteral("alice");
    std::optional<QString> profile;
    std::optional<QString> defaultProfile;

    int platformFamily() override { return family; }
    QString systemFolder() override { return system; }
    QString systemDrive() override { return drive; }
    std::optional<QString> userName() override { return name; }
    std::optional<QString> profileFolder() override { return profile; }
    std::optional<QString> defaultProfileFolder() override { return defaultProfile; }
    // "<user folder>/Application Data" unless the test sets its own.
    QString applicationData;
    QString applicationDataFolder(const QString& userFolder) override {
        return applicationData.isEmpty() ? userFolder + QStringLiteral("/Application Data")
                                         : applicationData;
    }
    bool isFolder(const QString& path) override { return m_desktop.isFolder(path); }
    bool isPlainFile(const QString& path) override { return m_desktop.isPlainFile(path); }
    bool makeFolder(const QString& path) override { return m_desktop.makeFolder(path); }
    qint64 fileSize(const QString& path) override { return m_desktop.fileSize(path); }
    bool copyFile(const QString& from, const QString& to) override {
        return m_desktop.copyFile(from, to);
    }
    QString whyNotPrivate(const QString& folder, const QStringList& fileNames) override {
        return m_desktop.whyNotPrivate(folder, fileNames);
    }

private:
    DesktopUserFolders m_desktop;
};

} // namespace mervantic::test
