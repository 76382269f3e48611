#include "convert/TextFilesBesideInputs.h"

#include "convert/OutputPath.h"
#include "platform/TextFileWriter.h"

std::optional<QString> TextFilesBesideInputs::whySkipped(const QString &inputPath) const
{
    if (isSameFile(inputPath, outputPathFor(inputPath)))
        return QStringLiteral("its text file would replace the file itself");
    return std::nullopt;
}

std::optional<QString> TextFilesBesideInputs::write(const QString &inputPath, const QString &text)
{
    const QString outputPath = outputPathFor(inputPath);
    QString error;
    if (!m_writer.writeFile(outputPath, text.toUtf8(), error))
        return QStringLiteral("%1 could not be written (%2)").arg(outputPath, error);
    return std::nullopt;
}
