#include "convert/TextFilesBesideInputs.h"

#include "platform/TextFileWriter.h"

void TextFilesBesideInputs::startRun()
{
    m_writtenOutputs.clear();
}

std::optional<QString> TextFilesBesideInputs::whyNotWritable(const QString &inputPath) const
{
    return whyOutputIsLeftAlone(outputPathFor(inputPath));
}

std::optional<QString> TextFilesBesideInputs::whySkipped(const QString &inputPath) const
{
    if (isSameFile(inputPath, outputPathFor(inputPath)))
        return QStringLiteral("its text file would replace the file itself");
    return std::nullopt;
}

bool TextFilesBesideInputs::isWrittenAlready(const QString &inputPath) const
{
    const std::optional<FileIdentity> output = fileIdentity(outputPathFor(inputPath));
    const auto written = output ? m_writtenOutputs.find(*output) : m_writtenOutputs.end();
    return written != m_writtenOutputs.end() && written->second == fileIdentity(inputPath);
}

std::optional<QString> TextFilesBesideInputs::whyNoLongerWritable(const QString &inputPath) const
{
    const std::optional<FileIdentity> output = fileIdentity(outputPathFor(inputPath));
    if (output && m_writtenOutputs.contains(*output))
        return QStringLiteral("its text file was already written for an earlier item in this run");
    return std::nullopt;
}

std::optional<QString> TextFilesBesideInputs::write(const QString &inputPath, const QString &text)
{
    const QString outputPath = outputPathFor(inputPath);
    QString error;
    if (!m_writer.writeFile(outputPath, text.toUtf8(), error))
        return QStringLiteral("%1 could not be written (%2)").arg(outputPath, error);
    const std::optional<FileIdentity> written = fileIdentity(outputPath);
    const std::optional<FileIdentity> input = fileIdentity(inputPath);
    if (written && input)
        m_writtenOutputs.insert({*written, *input});
    return std::nullopt;
}
