#include "store/FileReplacement.h"

#include <QFileInfo>
#include <QSaveFile>

namespace mervantic {

namespace {
constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kPrivateFolder = kPrivateFile | QFileDevice::ExeOwner;
} // namespace

bool makePrivate(const QString& path) {
    return QFile::setPermissions(path, QFileInfo(path).isDir() ? kPrivateFolder : kPrivateFile);
}

bool replaceFile(const QString& path, const QByteArray& content) {
    makePrivate(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.setPermissions(kPrivateFile);
    // The write only fills the file's buffer; a full disk shows when the buffer goes out. The
    // temporary file is dropped on any failure, so the rename never puts a short file in place.
    if (file.write(content) != content.size() || !file.flush() ||
        file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace mervantic
