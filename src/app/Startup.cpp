#include "app/Startup.h"

#include "platform/Desktop.h"
#include "store/FileReplacement.h"
#include "store/PasswordScrambler.h"

#include <QDir>

namespace mervantic {

namespace {

const QString kTitle = QStringLiteral("Mervantic");

QString withoutTrailingSeparator(QString path) {
    if (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

} // namespace

QStringList Startup::dataFileNames() {
    return {QStringLiteral("mervantic.ini"), QStringLiteral("mervuser.ini"),
            QStringLiteral("mervconn.json"), QStringLiteral("mervseen.dat"),
            QStringLiteral("mervantic.lock")};
}

Startup::Startup(Environment environment)
    : m_env(std::move(environment)) {}

QString Startup::appFolderFrom(const QString& programFolder) {
    QString folder = QDir::cleanPath(programFolder);
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

QString Startup::cutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

Startup::Outcome Startup::failed() {
    m_env.prompts.showFailure(kTitle + QStringLiteral(" Unable To Run: ") + m_errorText);
    return Outcome::Failed;
}

bool Startup::ensureFolder(const QString& path) {
    m_errorText = path + QStringLiteral(" Dir, or Error Creating It");
    if (m_env.folders.isFolder(path))
        return true;
    return m_env.folders.makeFolder(path);
}

bool Startup::findUserFolder(QString& userFolder) {
    UserFolders& folders = m_env.folders;
    const QString systemFolder = folders.systemFolder();
    if (m_values.platformId == 1) {
        m_errorText = QStringLiteral("Error Getting 95-98 Username");
        const std::optional<QString> name = folders.userName();
        if (!name)
            return false;
        QString user = cutAtNul(*name);
        if (user.isEmpty())
            user = QStringLiteral("Default User");
        const QString profiles = systemFolder + QStringLiteral("Profiles");
        userFolder = profiles + QLatin1Char('/') + user;
        return ensureFolder(profiles) && ensureFolder(userFolder);
    }
    if (m_values.platformId != 2) {
        userFolder.clear(); // folders are taken from the root
        return true;
    }
    // The user's own profile folder; failing that, the usual place for it; failing that, the
    // default user's.
    if (const std::optional<QString> profile = folders.profileFolder()) {
        userFolder = withoutTrailingSeparator(cutAtNul(*profile));
        return true;
    }
    if (const std::optional<QString> name = folders.userName()) {
        const QString constructed =
            folders.systemDrive() + QStringLiteral("Documents And Settings/") + cutAtNul(*name);
        if (folders.isFolder(constructed)) {
            userFolder = constructed;
            return true;
        }
    }
    m_errorText =
        QStringLiteral("App Start-Up, Error Geting Your XP-NT User Dir, Then Default User Dir");
    const std::optional<QString> fallback = folders.defaultProfileFolder();
    if (!fallback)
        return false;
    userFolder = withoutTrailingSeparator(cutAtNul(*fallback));
    return folders.isFolder(userFolder);
}

Startup::Outcome Startup::run() {
    UserFolders& folders = m_env.folders;
    m_values.appFolder = appFolderFrom(m_env.programFolder);

    m_errorText = QStringLiteral("Error Operating System Version");
    m_values.platformId = folders.platformFamily();

    QString userFolder;
    if (!findUserFolder(userFolder))
        return failed();

    const QString applicationData = folders.applicationDataFolder(userFolder);
    const QString dataFolder = applicationData + QLatin1Char('/') + kTitle;
    if (!ensureFolder(applicationData) || !ensureFolder(dataFolder))
        return failed();
    m_values.dataFolder = dataFolder;
    // The folder will hold passwords whose scrambling anyone can undo: it and every file in it
    // must be the user's alone, and each file a file (a FIFO would block the start for ever, a
    // device never end), before anything is read from it or written to it.
    m_errorText = folders.whyNotPrivate(dataFolder, dataFileNames());
    if (!m_errorText.isEmpty())
        return failed();
    // One program per data folder, whatever the environment says: a second writer would save
    // its old lists over the first one's.
    if (m_env.anotherInstanceRuns) {
        const InstanceCheck instance = m_env.anotherInstanceRuns(dataFolder);
        if (!instance.failure.isEmpty()) {
            m_errorText = instance.failure;
            return failed();
        }
        if (instance.anotherRuns)
            return Outcome::EndSilently;
    }
    makePrivate(dataFolder);

    // A first copy of the settings comes from the template beside the program.
    m_errorText = QStringLiteral("No App Data\\App\\Ini File, Error Copying It");
    const QString templateFile =
        installedFile(m_values.appFolder, QStringLiteral("mervantic.ini"),
                      [&folders](const QString& path) { return folders.isPlainFile(path); });
    if (!folders.isPlainFile(templateFile) || folders.fileSize(templateFile) < 300)
        return failed();
    m_values.settingsFilePath = dataFolder + QStringLiteral("/mervantic.ini");
    if (folders.isFolder(m_values.settingsFilePath)) {
        // Copying the template would fail for a reason the message would not name.
        m_errorText = m_values.settingsFilePath +
                      QStringLiteral(" Is A Folder, Not The Settings File: Remove Or Rename It");
        return failed();
    }
    if (!folders.isPlainFile(m_values.settingsFilePath)) {
        if (!folders.copyFile(templateFile, m_values.settingsFilePath))
            return failed();
        makePrivate(m_values.settingsFilePath);
    }

    m_errorText = QStringLiteral("No.. ") + m_values.settingsFilePath +
                  QStringLiteral(" ..Or Error Opening Or Reading It");
    const std::optional<SettingsRecord> record = SettingsFile::read(m_values.settingsFilePath);
    if (!record)
        return failed();

    m_values.runPassword =
        PasswordScrambler::unscrambleChunk(record->runPasswordScrambled).trimmed();
    if (!m_values.runPassword.isEmpty()) {
        const std::optional<QString> entry =
            m_env.prompts.askRunPassword(QStringLiteral("Enter Your Password In The Box."));
        if (!entry || *entry != m_values.runPassword)
            return Outcome::EndSilently;
    }

    const bool themed = m_values.platformId == 2 && m_env.themeActive && m_env.themeActive();
    m_values.themeBackColour = themed ? ThemeColour::WindowBackground : ThemeColour::ButtonFace;
    m_values.toolTipTexts = standardToolTipTexts();
    return Outcome::Run;
}

} // namespace mervantic
