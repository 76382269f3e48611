#include "convert/TextFilesAtGivenPaths.h"

#include "platform/FileNames.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

TextFilesAtGivenPaths::TextFilesAtGivenPaths(TextFileWriter &writer,
                                             QHash<QString, QString> outputPaths, Folders folders)
    : TextFiles(writer)
    , m_outputPaths(std::move(outputPaths))
    , m_folders(folders)
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

std::optional<QString> TextFilesAtGivenPaths::prepareFolder(const QString &outputPath)
{
    if (m_folders == Folders::MustExist)
        return std::nullopt;
    const QString folder = QFileInfo(outputPath).path();
    std::error_code error;
    std::filesystem::create_directories(encodeFileName(folder).toStdString(), error);
    if (!error)
        return std::nullopt;
    return QStringLiteral("the folder %1 could not be made (%2)")
        .arg(folder, QString::fromStdString(error.message()));
}
