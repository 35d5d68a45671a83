#include "SmallDisk.h"

#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace mervantic::test {

namespace {

bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool ok = process.waitForFinished(10000) &&
                    process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output != nullptr)
        *output = QString::fromLocal8Bit(process.readAll()).trimmed();
    return ok;
}

} // namespace

SmallDisk::SmallDisk(int kibibytes) {
    if (::geteuid() != 0) {
        m_why = QStringLiteral("mounting a small file system needs root");
        return;
    }
    QString output;
    m_mounted = run(QStringLiteral("mount"),
                    {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                     QStringLiteral("size=%1k,mode=0755").arg(kibibytes), QStringLiteral("tmpfs"),
                     m_folder.path()},
                    &output);
    if (!m_mounted)
        m_why = QStringLiteral("mount failed: ") + output;
}

SmallDisk::~SmallDisk() {
    if (m_mounted)
        run(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder.path()});
}

bool SmallDisk::makeReadOnly() {
    return m_mounted && run(QStringLiteral("mount"),
                            {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_folder.path()});
}

void SmallDisk::fill() {
    QFile filler(m_folder.filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size()) {
    }
    // Whatever a smaller write can still take.
    while (filler.write("x", 1) == 1) {
    }
}

} // namespace mervantic::test
