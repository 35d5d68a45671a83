#include "store/RecordBytes.h"

#include "store/Windows1252.h"

#include <bit>
#include <cstring>

namespace mervantic {

std::uint64_t RecordReader::unsignedValue(qsizetype offset, int size) const {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        const qsizetype at = offset + i;
        const auto byte = at < m_bytes.size() ? static_cast<unsigned char>(m_bytes[at]) : 0u;
        value = (value << 8) | byte;
    }
    return value;
}

std::int16_t RecordReader::int16(qsizetype offset) const {
    return static_cast<std::int16_t>(unsignedValue(offset, 2));
}

std::int32_t RecordReader::int32(qsizetype offset) const {
    return static_cast<std::int32_t>(unsignedValue(offset, 4));
}

std::int64_t RecordReader::int64(qsizetype offset) const {
    return static_cast<std::int64_t>(unsignedValue(offset, 8));
}

float RecordReader::float32(qsizetype offset) const {
    return std::bit_cast<float>(static_cast<std::uint32_t>(unsignedValue(offset, 4)));
}

double RecordReader::float64(qsizetype offset) const {
    return std::bit_cast<double>(unsignedValue(offset, 8));
}

QByteArray RecordReader::bytes(qsizetype offset, qsizetype size) const {
    QByteArray result(size, '\0');
    const qsizetype available = std::max<qsizetype>(0, std::min(size, m_bytes.size() - offset));
    if (available > 0)
        std::memcpy(result.data(), m_bytes.data() + offset, static_cast<std::size_t>(available));
    return result;
}

QString RecordReader::text(qsizetype offset, qsizetype size) const {
    return Windows1252::decode(bytes(offset, size));
}

void RecordWriter::unsignedValue(qsizetype offset, int size, std::uint64_t value) {
    for (int i = 0; i < size; ++i) {
        m_bytes[offset + i] = static_cast<char>(value & 0xFF);
        value >>= 8;
    }
}

void RecordWriter::int16(qsizetype offset, std::int16_t value) {
    unsignedValue(offset, 2, static_cast<std::uint16_t>(value));
}

void RecordWriter::int32(qsizetype offset, std::int32_t value) {
    unsignedValue(offset, 4, static_cast<std::uint32_t>(value));
}

void RecordWriter::int64(qsizetype offset, std::int64_t value) {
    unsignedValue(offset, 8, static_cast<std::uint64_t>(value));
}

void RecordWriter::float32(qsizetype offset, float value) {
    unsignedValue(offset, 4, std::bit_cast<std::uint32_t>(value));
}

void RecordWriter::float64(qsizetype offset, double value) {
    unsignedValue(offset, 8, std::bit_cast<std::uint64_t>(value));
}

void RecordWriter::bytes(qsizetype offset, QByteArrayView value) {
    std::memcpy(m_bytes.data() + offset, value.data(), static_cast<std::size_t>(value.size()));
}

void RecordWriter::text(qsizetype offset, qsizetype size, const QString& value) {
    QByteArray encoded = Windows1252::encode(QStringView(value).left(size));
    encoded.append(QByteArray(size - encoded.size(), ' '));
    bytes(offset, encoded);
}

QString trimField(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    const auto padding = [](QChar c) { return c == QLatin1Char(' ') || c.unicode() == 0; };
    while (first < last && padding(text.at(first)))
        ++first;
    while (last > first && padding(text.at(last - 1)))
        --last;
    return text.sliced(first, last - first);
}

} // namespace mervantic
