// The program's autostart entry, as the desktop reads it at login.
#include "platform/Autostart.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>
namespace mervantic {
namespace {

QString entryText(const Autostart& autostart) {
    QFile file(autostart.entryPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The Exec key's value read back as a desktop reads it: the string escapes first, then the
// quoted first argument and its own escapes.
QStringList execArguments(const QString& entry) {
    QString value;
    for (const QString& line : entry.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Exec=")))
            value = line.mid(5);
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size() && value[i + 1] == '\\')
            ++i;
        unescaped += value[i];
    }
    unescaped.replace(QStringLiteral("%%"), QStringLiteral("%"));
    QStringList arguments;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < unescaped.size()) {
            current += unescaped[++i];
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
        } else if (c == QLatin1Char(' ') && !quoted) {
            arguments << current;
            current.clear();
        } else {
            current += c;
        }
    }
    arguments << current;
    return arguments;
}

TEST(Autostart, TheEntryStartsTheProgramInTheNotificationAreaWhateverItsPath) {
    QTemporaryDir home;
    const Autostart autostart(home.filePath(QStringLiteral("config/autostart")));
    EXPECT_FALSE(autostart.enabled());
    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    for (const char* path : {"/usr/bin/mervantic", "/opt/My Apps/mervantic",
                             "/home/a\"b/$HOME/`x`/back\\slash/100%/mervantic"}) {
        SCOPED_TRACE(path);
        QString why;
        ASSERT_TRUE(autostart.enable(QString::fromUtf8(path), &why)) << why.toStdString();
        EXPECT_TRUE(autostart.enabled());
        EXPECT_EQ(execArguments(entryText(autostart)),
                  (QStringList{QString::fromUtf8(path), QStringLiteral("--tray")}));
        if (!validator.isEmpty()) {
            QProcess validate;
            validate.start(validator, {autostart.entryPath()});
            ASSERT_TRUE(validate.waitForFinished(10000));
            EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
        }
    }
    // Switched off by the desktop's session settings: off here too.
    QFile entry(autostart.entryPath());
    ASSERT_TRUE(entry.open(QIODevice::Append));
    entry.write("Hidden=true\n");
    entry.close();
    EXPECT_FALSE(autostart.enabled());

    QString why;
    EXPECT_TRUE(autostart.disable(&why));
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));
    EXPECT_TRUE(autostart.disable(&why)); // nothing there: done
}

TEST(Autostart, AnEntryThatCannotBeWrittenIsSaidNotFaked) {
    QTemporaryDir home;
    const Autostart autostart(home.filePath(QStringLiteral("autostart")));
    QString why;
    EXPECT_FALSE(autostart.enable(QStringLiteral("/usr/bin/mer\nvantic"), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("line break")));
    EXPECT_FALSE(QFile::exists(autostart.entryPath()));
    // A folder that cannot be made (a file stands where it would be), even for root.
    QFile blocker(home.filePath(QStringLiteral("config")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const Autostart blocked(home.filePath(QStringLiteral("config/autostart")));
    why.clear();
    EXPECT_FALSE(blocked.enable(QStringLiteral("/usr/bin/mervantic"), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("could not be made"))) << why.toStdString();
    EXPECT_FALSE(blocked.enabled());
}

} // namespace
} // namespace mervantic
