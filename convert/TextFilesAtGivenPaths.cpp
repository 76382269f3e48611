#include "convert/TextFilesAtGivenPaths.h"

#include "platform/TextFileWriter.h"

#include <QDir>

TextFilesAtGivenPaths::TextFilesAtGivenPaths(TextFileWriter &writer,
                                             QHash<QString, QString> outputPaths)
    : TextFiles(writer)
    , m_outputPaths(std::move(outputPaths))
{
}

TextFilesAtGivenPaths::TextFilesAtGivenPaths(TextFileWriter &writer,
                                             QHash<QString, QString> outputPaths,
                                             const QString &outputFolder)
    : TextFiles(writer)
    , m_outputPaths(std::move(outputPaths))
    , m_outputFolder(QDir::cleanPath(outputFolder))
{
}

QString TextFilesAtGivenPaths::outputPathFor(const QString &inputPath) const
{
    return m_outputPaths.value(inputPath);
}

QString TextFilesAtGivenPaths::outputPathOf(const QString &inputPath) const
{
    return QDir::cleanPath(outputPathFor(inputPath));
}

bool TextFilesAtGivenPaths::stage(TextFileWriter &writer, const QString &outputPath,
                                  const QByteArray &content, QString &error)
{
    if (m_outputFolder.isEmpty())
        return writer.stageFile(outputPath, content, error);
    const QString prefix = m_outputFolder.endsWith(u'/') ? m_outputFolder : m_outputFolder + u'/';
    if (!outputPath.startsWith(prefix)) {
        error = QStringLiteral("it is not below the output folder");
        return false;
    }
    return writer.stageFileBelow(m_outputFolder, outputPath.sliced(prefix.size()), content, error);
}
