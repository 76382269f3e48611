#pragma once

#include <QByteArray>
#include <QString>
#include <QSysInfo>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

// Little-endian fields for what goes between the converter and a script worker. Strings go as
// UTF-16 code units, whatever they hold: a script's string may hold half of a surrogate pair,
// which the text then shows as the browser shows it.
class WireWriter
{
public:
    void putByte(std::uint8_t value) { m_bytes.append(char(value)); }
    void putCount(std::uint32_t value)
    {
        const std::array<char, 4> bytes{char(value), char(value >> 8), char(value >> 16),
                                        char(value >> 24)};
        m_bytes.append(bytes.data(), bytes.size());
    }
    void putBytes(const QByteArray &bytes)
    {
        putCount(std::uint32_t(bytes.size()));
        m_bytes.append(bytes);
    }
    void putString(const QString &text)
    {
        putCount(std::uint32_t(text.size()));
        // A tree's every name, value and text passes here: copied whole where the host's order
        // is the wire's.
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            m_bytes.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
            return;
        }
        for (const QChar unit : text) {
            putByte(std::uint8_t(unit.unicode()));
            putByte(std::uint8_t(unit.unicode() >> 8));
        }
    }
    QByteArray take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

// Reads what a WireWriter wrote, trusting nothing: a field that runs past the end, or a count
// past what the caller allows, fails the reader, after which every field reads as empty.
class WireReader
{
public:
    explicit WireReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    bool failed() const { return m_failed; }
    bool atEnd() const { return m_at == m_bytes.size(); }
    void fail() { m_failed = true; }

    std::uint8_t byte()
    {
        if (!has(1))
            return 0;
        return std::uint8_t(m_bytes[m_at++]);
    }
    std::uint32_t count(std::uint32_t maximum)
    {
        if (!has(4))
            return 0;
        std::uint32_t value = 0;
        for (int shift = 0; shift < 32; shift += 8)
            value |= std::uint32_t(std::uint8_t(m_bytes[m_at++])) << shift;
        if (value > maximum) {
            m_failed = true;
            return 0;
        }
        return value;
    }
    QByteArray bytes(std::uint32_t maximum)
    {
        const std::uint32_t size = count(maximum);
        if (!has(size))
            return {};
        const QByteArray field = m_bytes.sliced(m_at, size);
        m_at += size;
        return field;
    }
    QString string(std::uint32_t maximumUnits)
    {
        const std::uint32_t units = count(maximumUnits);
        if (!has(qsizetype(units) * 2))
            return {};
        QString text(units, Qt::Uninitialized);
        const char *from = m_bytes.constData() + m_at;
        m_at += qsizetype(units) * 2;
        if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
            if (units != 0)
                std::memcpy(text.data(), from, size_t(units) * 2);
            return text;
        }
        QChar *to = text.data();
        for (std::uint32_t i = 0; i < units; ++i, from += 2)
            to[i] = QChar(char16_t(std::uint8_t(from[0]) | std::uint8_t(from[1]) << 8));
        return text;
    }

private:
    bool has(qsizetype size)
    {
        if (m_failed || size > m_bytes.size() - m_at)
            m_failed = true;
        return !m_failed;
    }

    QByteArray m_bytes;
    qsizetype m_at = 0;
    bool m_failed = false;
};
