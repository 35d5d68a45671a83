#pragma once

#include "app/ToolTipTexts.h"
#include "platform/UserFolders.h"
#include "store/SettingsRecord.h"

#include <QString>

#include <functional>
#include <optional>

namespace mervantic {

// The two questions start-up may put to the user before any window exists.
class StartupPrompts {
public:
    // "Mervantic Unable To Run: " and why; the program ends after it.
    virtual void showFailure(const QString& text) = 0;
    // The run password; nothing when the user cancels.
    virtual std::optional<QString> askRunPassword(const QString& prompt) = 0;

protected:
    ~StartupPrompts() = default;
};

enum class ThemeColour { WindowBackground, ButtonFace };

// What start-up settles for the rest of the program.
struct StartupValues {
    QString appFolder;
    QString dataFolder;
    QString settingsFilePath;
    int platformId = 0;
    QString runPassword;
    ThemeColour themeBackColour = ThemeColour::ButtonFace;
    ToolTipTexts toolTipTexts;
    // The desktop's autostart folder; empty: the user's ($XDG_CONFIG_HOME/autostart).
    QString autostartFolder;
};

// The program's entry procedure before the main window: refuses a second instance, finds the
// per-user data folder, puts a first copy of the settings file there, and asks for the run
// password when one is set.
class Startup {
public:
    enum class Outcome { Run, EndSilently, Failed };

    // Whether another copy of the program uses the data folder now (it was asked to show its
    // window), or why that could not be told (the start then fails saying so).
    struct InstanceCheck {
        bool anotherRuns = false;
        QString failure;
    };

    struct Environment {
        UserFolders& folders;
        StartupPrompts& prompts;
        // The folder the program file is in.
        QString programFolder;
        // Whether another copy of the program uses this data folder now; asked once the folder
        // is known, so that there is one writer per data folder.
        std::function<InstanceCheck(const QString& dataFolder)> anotherInstanceRuns;
        std::function<bool()> themeActive;
    };

    explicit Startup(Environment environment);

    Outcome run();
    const StartupValues& values() const { return m_values; }
    // The text shown when start-up failed.
    const QString& failureText() const { return m_errorText; }

    // The program folder without a trailing separator, so that "/" and a file name can follow.
    static QString appFolderFrom(const QString& programFolder);
    static QString cutAtNul(const QString& text);
    // The files the program keeps in its data folder.
    static QStringList dataFileNames();

private:
    bool findUserFolder(QString& userFolder);
    bool ensureFolder(const QString& path);
    Outcome failed();

    Environment m_env;
    StartupValues m_values;
    QString m_errorText;
};

} // namespace mervantic
