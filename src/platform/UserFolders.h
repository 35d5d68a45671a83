#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace mervantic {

// What the operating system says about where a user's files go, and the folder and file
// operations that start-up needs. The start-up's fallback chain works on these answers alone, so
// that it can be tried with any of them missing.
class UserFolders {
public:
    // 1: single-user family (profiles under the system folder); 2: multi-user family (each
    // user has a profile folder); anything else: no user folder at all.
    virtual int platformFamily() = 0;
    // The system folder, ending with a separator; "" when it cannot be found.
    virtual QString systemFolder() = 0;
    // The root of the drive the system folder is on, ending with a separator.
    virtual QString systemDrive() = 0;
    // The logged-on user's name; nothing when the query fails.
    virtual std::optional<QString> userName() = 0;
    // The current user's profile folder; nothing when the query is not available.
    virtual std::optional<QString> profileFolder() = 0;
    // The default user's profile folder; nothing when the query is not available.
    virtual std::optional<QString> defaultProfileFolder() = 0;
    // The folder for application data inside a user folder.
    virtual QString applicationDataFolder(const QString& userFolder) = 0;

    virtual bool isFolder(const QString& path) = 0;
    virtual bool isPlainFile(const QString& path) = 0;
    // Makes the folder (and any missing parents); false when it cannot.
    virtual bool makeFolder(const QString& path) = 0;
    virtual qint64 fileSize(const QString& path) = 0;
    virtual bool copyFile(const QString& from, const QString& to) = 0;
    // Why the folder and the named files in it are not the user's alone; empty when they are.
    virtual QString whyNotPrivate(const QString& folder, const QStringList& fileNames) = 0;

protected:
    ~UserFolders() = default;
};

// The desktop's answers: a multi-user system whose user folder is the home folder and whose
// application data live in the XDG data home ($XDG_DATA_HOME, else ~/.local/share).
class DesktopUserFolders final : public UserFolders {
public:
    int platformFamily() override { return 2; }
    QString systemFolder() override;
    QString systemDrive() override { return QStringLiteral("/"); }
    std::optional<QString> userName() override;
    std::optional<QString> profileFolder() override;
    std::optional<QString> defaultProfileFolder() override;
    QString applicationDataFolder(const QString& userFolder) override;
    bool isFolder(const QString& path) override;
    bool isPlainFile(const QString& path) override;
    bool makeFolder(const QString& path) override;
    qint64 fileSize(const QString& path) override;
    bool copyFile(const QString& from, const QString& to) override;
    QString whyNotPrivate(const QString& folder, const QStringList& fileNames) override;
};

} // namespace mervantic
