#include "store/FileReplacement.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace mervantic {

namespace {

constexpr QFileDevice::Permissions kGroupAndOthers =
    QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
    QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
constexpr qint64 kCopyPiece = 64 * 1024;

void say(QString* why, const QString& text) {
    if (why != nullptr)
        *why = text;
}

// A folder or file whose owner may not write it is one the user keeps as it is.
bool userMadeReadOnly(const QFileInfo& info) {
    return info.exists() && !info.permission(QFileDevice::WriteOwner);
}

bool writeFile(const QString& path, const QByteArray& head, bool keepTail, QString* why) {
    const QFileInfo target(
        QFileInfo(path).canonicalFilePath().isEmpty() ? path : QFileInfo(path).canonicalFilePath());
    const QFileInfo folder(target.absolutePath());
    if (userMadeReadOnly(folder)) {
        say(why, QStringLiteral("the folder ") + QDir::toNativeSeparators(folder.filePath()) +
                     QStringLiteral(" is read-only"));
        return false;
    }
    if (userMadeReadOnly(target)) {
        say(why, QStringLiteral("the file ") + QDir::toNativeSeparators(target.filePath()) +
                     QStringLiteral(" is read-only"));
        return false;
    }
    makePrivate(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        say(why, file.errorString());
        return false;
    }
    file.setPermissions(target.exists() ? target.permissions() & ~kGroupAndOthers
                                        : QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // The write only fills the file's buffer; a full disk shows when the buffer goes out. The
    // temporary file is dropped on any failure, so the rename never puts a short file in place.
    bool written = file.write(head) == head.size();
    if (written && keepTail) {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly) && old.size() > head.size() && old.seek(head.size())) {
            while (written && !old.atEnd()) {
                const QByteArray piece = old.read(kCopyPiece);
                written = !piece.isEmpty() && file.write(piece) == piece.size();
            }
        }
    }
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        say(why, QStringLiteral("the file could not be written, the disk may be full (") +
                     file.errorString() + QLatin1Char(')'));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        say(why, file.errorString());
        return false;
    }
    return true;
}

} // namespace

bool makePrivate(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return false;
    const QFileDevice::Permissions now = info.permissions();
    if ((now & kGroupAndOthers) == 0)
        return true;
    return QFile::setPermissions(path, now & ~kGroupAndOthers);
}

bool replaceFile(const QString& path, const QByteArray& content, QString* why) {
    return writeFile(path, content, false, why);
}

bool replaceFileKeepingTail(const QString& path, const QByteArray& head, QString* why) {
    return writeFile(path, head, true, why);
}

} // namespace mervantic
