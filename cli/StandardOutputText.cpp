#include "cli/StandardOutputText.h"

#include <cerrno>
#include <cstring>
#include <utility>

std::optional<QString> StandardOutputText::whyNotWritable(const QString &) const
{
    return std::nullopt;
}

std::optional<QString> StandardOutputText::whySkipped(const QString &) const
{
    return std::nullopt;
}

bool StandardOutputText::isWrittenAlready(const QString &) const
{
    return false;
}

std::optional<QString> StandardOutputText::whyNoLongerWritable(const QString &) const
{
    return std::nullopt;
}

bool StandardOutputText::dependsOnPrepared(const QString &) const
{
    return false;
}

std::optional<QString> StandardOutputText::prepare(const QString &, const QString &text)
{
    // The shell's prompt, or what a script prints next, starts on a line of its own.
    QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), m_stream) != size_t(bytes.size())
        || std::fflush(m_stream) != 0)
        return QStringLiteral("standard output could not be written (%1)")
            .arg(QString::fromLocal8Bit(std::strerror(errno)));
    ++m_prepared;
    return std::nullopt;
}

std::vector<std::optional<QString>> StandardOutputText::commitPrepared()
{
    return std::vector<std::optional<QString>>(std::exchange(m_prepared, 0));
}
