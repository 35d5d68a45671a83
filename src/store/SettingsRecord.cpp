#include "store/SettingsRecord.h"

#include "store/FileReplacement.h"
#include "store/OptionFields.h"
#include "store/RecordBytes.h"

#include <QFile>

namespace mervantic {

SettingsRecord SettingsRecord::fromBytes(QByteArrayView bytes) {
    const RecordReader in(bytes);
    SettingsRecord r;
    r.windowLeft = in.float32(0);
    r.windowTop = in.float32(4);
    r.windowWidth = in.float32(8);
    r.windowHeight = in.float32(12);
    r.serverTimeout = in.int64(16);
    r.mailColWidth1 = in.float32(24);
    r.mailColWidth2 = in.float32(28);
    r.mailColWidth3 = in.float32(32);
    r.mailColWidth4 = in.float32(36);
    r.userColWidth1 = in.float32(40);
    r.userColWidth2 = in.float32(44);
    r.userColWidth3 = in.float32(48);
    r.recheckMinutes = in.int32(52);
    r.reserved64 = in.bytes(64, 48);
    r.apopSecretScrambled = in.text(116, 256);
    r.firstRunMarker = in.int32(374);
    r.reserved378 = in.bytes(378, 12);
    r.fontName = in.text(390, 128);
    r.fontBold = in.int16(518);
    r.fontSize = in.float32(520);
    r.dateFormat = in.int32(524);
    r.mailColWidth5 = in.float32(530);
    r.mailColWidth6 = in.float32(534);
    r.userColWidth4 = in.float32(538);
    r.runPasswordScrambled = in.text(544, 64);
    r.logPaneMode = in.int16(612);
    r.lastCheckTime = in.float64(614);
    r.reserved622 = in.bytes(622, 2);
    for (const OptionField& option : kOptionFields)
        r.*option.stored = in.int16(option.offset);
    return r;
}

QByteArray SettingsRecord::toBytes() const {
    RecordWriter out(kSize);
    out.float32(0, windowLeft);
    out.float32(4, windowTop);
    out.float32(8, windowWidth);
    out.float32(12, windowHeight);
    out.int64(16, serverTimeout);
    out.float32(24, mailColWidth1);
    out.float32(28, mailColWidth2);
    out.float32(32, mailColWidth3);
    out.float32(36, mailColWidth4);
    out.float32(40, userColWidth1);
    out.float32(44, userColWidth2);
    out.float32(48, userColWidth3);
    out.int32(52, recheckMinutes);
    out.bytes(64, QByteArrayView(reserved64).first(48));
    out.text(116, 256, apopSecretScrambled);
    out.int32(374, firstRunMarker);
    out.bytes(378, QByteArrayView(reserved378).first(12));
    out.text(390, 128, fontName);
    out.int16(518, fontBold);
    out.float32(520, fontSize);
    out.int32(524, dateFormat);
    out.float32(530, mailColWidth5);
    out.float32(534, mailColWidth6);
    out.float32(538, userColWidth4);
    out.text(544, 64, runPasswordScrambled);
    out.int16(612, logPaneMode);
    out.float64(614, lastCheckTime);
    out.bytes(622, QByteArrayView(reserved622).first(2));
    for (const OptionField& option : kOptionFields)
        out.int16(option.offset, this->*option.stored);
    return out.record();
}

namespace SettingsFile {

std::optional<SettingsRecord> read(const QString& path, QString* why) {
    QFile file(path);
    const auto failed = [&file, why] {
        if (why != nullptr)
            *why = file.fileName() + QStringLiteral(": ") + file.errorString();
        return std::nullopt;
    };
    if (!file.open(QIODevice::ReadOnly))
        return failed();
    const QByteArray bytes = file.read(SettingsRecord::kSize);
    if (file.error() != QFileDevice::NoError)
        return failed();
    return SettingsRecord::fromBytes(bytes);
}

bool write(const QString& path, const SettingsRecord& record, QString* why) {
    return replaceFileKeepingTail(path, record.toBytes(), why);
}

} // namespace SettingsFile

} // namespace mervantic
