#include "store/DataFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace mervantic {

DataFileRead readDataFile(const QString& path, qint64 largest) {
    DataFileRead read;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return read;
    read.status = DataFileRead::Status::Unreadable;
    // Only a regular file is read: a FIFO would block the start and a device never end.
    if (!info.isFile()) {
        read.why = QStringLiteral("Is Not A Regular File");
        return read;
    }
    if (info.size() > largest) {
        read.status = DataFileRead::Status::TooLarge;
        read.why = largest >= 1024 * 1024
                       ? QStringLiteral("Is Larger Than %1 MB").arg(largest / (1024 * 1024))
                       : QStringLiteral("Is Larger Than %1 Bytes").arg(largest);
        return read;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.why = QStringLiteral("Cannot Be Read (%1)").arg(file.errorString());
        return read;
    }
    // A file that grows while it is read is still read within the bound.
    read.bytes = file.read(largest + 1);
    if (file.error() != QFileDevice::NoError) {
        read.why = QStringLiteral("Cannot Be Read (%1)").arg(file.errorString());
        read.bytes.clear();
        return read;
    }
    if (read.bytes.size() > largest) {
        read.status = DataFileRead::Status::TooLarge;
        read.why = QStringLiteral("Is Larger Than %1 Bytes").arg(largest);
        read.bytes.clear();
        return read;
    }
    read.status = DataFileRead::Status::Loaded;
    return read;
}

QString setAsideDamaged(const QString& path, QString* why, SetAside how) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(kept) || QFileInfo(kept).isSymLink(); ++n)
        kept = path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (how == SetAside::Copy) {
        QFile original(path);
        if (!original.copy(kept)) {
            if (why != nullptr)
                *why = original.errorString();
            QFile::remove(kept);
            return {};
        }
        return kept;
    }
    // A rename keeps every byte, takes no space, and cannot leave half a copy.
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(kept).constData()) !=
        0) {
        if (why != nullptr)
            *why = QString::fromLocal8Bit(std::strerror(errno));
        return {};
    }
    return kept;
}

} // namespace mervantic
