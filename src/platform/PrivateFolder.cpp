#include "platform/PrivateFolder.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mervantic {

namespace {

QString ownerName(uid_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return QString::fromLocal8Bit(found->pw_name);
    return QStringLiteral("user %1").arg(uid);
}

QString mode(mode_t bits) {
    return QStringLiteral("%1").arg(unsigned(bits & 07777), 4, 8, QLatin1Char('0'));
}

QString notYours(const QString& path, uid_t owner) {
    return path + QStringLiteral(" Belongs To Another User (%1), Not To You: Mervantic Keeps Your "
                                 "Passwords There, So It Uses Only A Folder And Files Of Your "
                                 "Own. Remove Or Rename It")
                      .arg(ownerName(owner));
}

// A link is followed only when the link itself is the user's (the folder holding it is checked
// by the caller).
QString checkLink(const QString& path, const struct stat& link) {
    if (S_ISLNK(link.st_mode) && link.st_uid != ::getuid())
        return path + QStringLiteral(" Is A Link Made By Another User (%1): Remove It")
                          .arg(ownerName(link.st_uid));
    return {};
}

// The user's own folder or file, with the write permission of group and others taken away.
QString checkOwnedPrivate(const QString& path, const struct stat& target) {
    if (target.st_uid != ::getuid())
        return notYours(path, target.st_uid);
    if ((target.st_mode & 022) != 0 &&
        ::chmod(QFile::encodeName(path).constData(), target.st_mode & 07755) != 0)
        return path +
               QStringLiteral(" Can Be Changed By Other Users (Mode %1) And Could Not Be Made "
                              "Private (%2)")
                   .arg(mode(target.st_mode), QString::fromLocal8Bit(::strerror(errno)));
    return {};
}

} // namespace

QString whyNotPrivate(const QString& folder, const QStringList& fileNames) {
    const QString parent = QFileInfo(folder).absolutePath();
    struct stat holder {};
    if (::stat(QFile::encodeName(parent).constData(), &holder) == 0) {
        if (holder.st_uid != ::getuid() && holder.st_uid != 0)
            return folder +
                   QStringLiteral(" Lies In A Folder Of Another User (%1), Who Could Replace It: "
                                  "Mervantic Keeps Your Passwords There, So It Uses Only A Folder "
                                  "Of Your Own")
                       .arg(ownerName(holder.st_uid));
        if ((holder.st_mode & 002) != 0 && (holder.st_mode & S_ISVTX) == 0)
            return folder + QStringLiteral(" Lies In A Folder Every User Can Change (%1, Mode %2), "
                                           "So That Another User Could Replace It")
                                .arg(parent, mode(holder.st_mode));
    }
    struct stat link {};
    struct stat target {};
    if (::lstat(QFile::encodeName(folder).constData(), &link) != 0 ||
        ::stat(QFile::encodeName(folder).constData(), &target) != 0)
        return {}; // not there: made by the caller, as its own
    if (QString why = checkLink(folder, link); !why.isEmpty())
        return why;
    if (S_ISLNK(link.st_mode) && holder.st_uid != ::getuid())
        return folder + QStringLiteral(" Is A Link In A Folder That Is Not Yours: Remove It");
    if (QString why = checkOwnedPrivate(folder, target); !why.isEmpty())
        return why;
    for (const QString& name : fileNames) {
        const QString path = folder + QLatin1Char('/') + name;
        if (::lstat(QFile::encodeName(path).constData(), &link) != 0)
            continue;
        if (QString why = checkLink(path, link); !why.isEmpty())
            return why;
        if (::stat(QFile::encodeName(path).constData(), &target) != 0)
            continue; // a link to nothing: what is written goes where the user's link points
        if (!S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode))
            return path + QStringLiteral(" Is Not A Regular File: Remove Or Rename It");
        if (QString why = checkOwnedPrivate(path, target); !why.isEmpty())
            return why;
    }
    return {};
}

} // namespace mervantic
