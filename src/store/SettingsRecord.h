#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace mervantic {

// The one 626-byte record of the settings file (mervantic.ini), field by field as stored:
// little-endian numbers with no padding, text fields in Windows-1252 padded with blanks, option
// flags 1 for on. Widths and window measures are twips; the time-out is a currency value (the
// milliseconds times 10,000); LastCheckTime is an OLE date.
struct SettingsRecord {
    static constexpr qsizetype kSize = 626;

    float windowLeft = 0;                          //   0
    float windowTop = 0;                           //   4
    float windowWidth = 0;                         //   8
    float windowHeight = 0;                        //  12
    std::int64_t serverTimeout = 0;                //  16, currency: milliseconds x 10,000
    float mailColWidth1 = 0;                       //  24
    float mailColWidth2 = 0;                       //  28
    float mailColWidth3 = 0;                       //  32
    float mailColWidth4 = 0;                       //  36
    float userColWidth1 = 0;                       //  40
    float userColWidth2 = 0;                       //  44
    float userColWidth3 = 0;                       //  48
    std::int32_t recheckMinutes = 0;               //  52
    std::int16_t checkOnlyChecked = 0;             //  56
    std::int16_t autoCheckOnOpen = 0;              //  58
    std::int16_t useRetr = 0;                      //  60
    std::int16_t deleteEnabled = 0;                //  62
    QByteArray reserved64 = QByteArray(48, '\0');  //  64, written back as read
    std::int16_t soundOnNewMail = 0;               // 112
    std::int16_t useApop = 0;                      // 114
    QString apopSecretScrambled;                   // 116, 256 characters
    std::int16_t trayOnClose = 0;                  // 372
    std::int32_t firstRunMarker = 0;               // 374
    QByteArray reserved378 = QByteArray(12, '\0'); // 378, written back as read
    QString fontName;                              // 390, 128 characters
    std::int16_t fontBold = 0;                     // 518, -1 true
    float fontSize = 0;                            // 520
    std::int32_t dateFormat = 0;                   // 524
    std::int16_t autoStartTimer = 0;               // 528
    float mailColWidth5 = 0;                       // 530
    float mailColWidth6 = 0;                       // 534
    float userColWidth4 = 0;                       // 538
    std::int16_t noToolTips = 0;                   // 542
    QString runPasswordScrambled;                  // 544, 64 characters
    std::int16_t continuousAlarm = 0;              // 608
    std::int16_t idleIfOffline = 0;                // 610
    std::int16_t logPaneMode = 0;                  // 612
    double lastCheckTime = 0;                      // 614, OLE date
    QByteArray reserved622 = QByteArray(2, '\0');  // 622, written back as read
    std::int16_t passwordsAsSecrets = 0;           // 624

    // Reads a record; bytes missing at the end of a short record read as zeros.
    static SettingsRecord fromBytes(QByteArrayView bytes);
    QByteArray toBytes() const;
};

// Reading and writing the settings file.
namespace SettingsFile {

// The record at the start of the file; nothing when the file cannot be opened or read, with why
// when `why` is given.
std::optional<SettingsRecord> read(const QString& path, QString* why = nullptr);
// Writes the record as the start of the file, atomically: a failure leaves the previous file
// whole. Bytes the file holds beyond the record are kept (copied a piece at a time, whatever
// their size). False when it could not be written, with why when `why` is given.
bool write(const QString& path, const SettingsRecord& record, QString* why = nullptr);

} // namespace SettingsFile

} // namespace mervantic
