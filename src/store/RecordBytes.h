#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace mervantic {

// Reads the fields of a fixed-layout record: little-endian numbers and Windows-1252 text
// fields padded with spaces, each at its offset. Bytes beyond the end of a short record read
// as zeros, as a record read past the end of its file does.
class RecordReader {
public:
    explicit RecordReader(QByteArrayView bytes)
        : m_bytes(bytes) {}

    std::int16_t int16(qsizetype offset) const;
    std::int32_t int32(qsizetype offset) const;
    std::int64_t int64(qsizetype offset) const;
    float float32(qsizetype offset) const;
    double float64(qsizetype offset) const;
    QByteArray bytes(qsizetype offset, qsizetype size) const;
    // The text field as stored, padding included.
    QString text(qsizetype offset, qsizetype size) const;

private:
    std::uint64_t unsignedValue(qsizetype offset, int size) const;

    QByteArrayView m_bytes;
};

// Writes fields into a record of fixed size.
class RecordWriter {
public:
    explicit RecordWriter(qsizetype size)
        : m_bytes(size, '\0') {}

    void int16(qsizetype offset, std::int16_t value);
    void int32(qsizetype offset, std::int32_t value);
    void int64(qsizetype offset, std::int64_t value);
    void float32(qsizetype offset, float value);
    void float64(qsizetype offset, double value);
    void bytes(qsizetype offset, QByteArrayView value);
    // Left-aligned, padded with spaces, cut at the field's width.
    void text(qsizetype offset, qsizetype size, const QString& value);

    const QByteArray& record() const { return m_bytes; }

private:
    void unsignedValue(qsizetype offset, int size, std::uint64_t value);

    QByteArray m_bytes;
};

// Removes blanks and zero bytes from both ends of a text field.
QString trimField(const QString& text);

} // namespace mervantic
