#include "convert/TextFilesAtGivenPaths.h"

#include "platform/FileNames.h"
#include "platform/TextFileWriter.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

std::optional<QString> whyFolderNotMade(const QString &folder)
{
    std::error_code error;
    std::filesystem::create_directories(encodeFileName(folder).toStdString(), error);
    if (!error)
        return std::nullopt;
    return QStringLiteral("the folder %1 could not be made (%2)")
        .arg(folder, QString::fromStdString(error.message()));
}

} // namespace

TextFilesAtGivenPaths::TextFilesAtGivenPaths(TextFileWriter &writer,
                                             QHash<QString, QString> outputPaths, Folders folders)
    : m_writer(writer)
    , m_outputPaths(std::move(outputPaths))
    , m_folders(folders)
{
}

QString TextFilesAtGivenPaths::outputPathFor(const QString &inputPath) const
{
    return m_outputPaths.value(inputPath);
}

void TextFilesAtGivenPaths::startRun()
{
    m_written.clear();
}

std::optional<QString> TextFilesAtGivenPaths::whyNotWritable(const QString &inputPath) const
{
    return whyOutputIsLeftAlone(outputPathFor(inputPath));
}

std::optional<QString> TextFilesAtGivenPaths::whySkipped(const QString &inputPath) const
{
    if (isSameFile(inputPath, outputPathFor(inputPath)))
        return QStringLiteral("its text file would replace the file itself");
    return std::nullopt;
}

const TextFilesAtGivenPaths::Written *
TextFilesAtGivenPaths::writtenOutput(const QString &inputPath) const
{
    const QString outputPath = QDir::cleanPath(outputPathFor(inputPath));
    const auto written = m_written.find(outputPath);
    if (written == m_written.end() || fileIdentity(outputPath) != written->second.output)
        return nullptr;
    return &written->second;
}

bool TextFilesAtGivenPaths::isWrittenAlready(const QString &inputPath) const
{
    const Written *written = writtenOutput(inputPath);
    return written && written->input && written->input == fileIdentity(inputPath);
}

std::optional<QString> TextFilesAtGivenPaths::whyNoLongerWritable(const QString &inputPath) const
{
    if (writtenOutput(inputPath))
        return QStringLiteral("its text file was already written for an earlier item in this run");
    return std::nullopt;
}

std::optional<QString> TextFilesAtGivenPaths::write(const QString &inputPath, const QString &text)
{
    const QString outputPath = QDir::cleanPath(outputPathFor(inputPath));
    if (m_folders == Folders::Create) {
        if (std::optional<QString> why = whyFolderNotMade(QFileInfo(outputPath).path()))
            return why;
    }
    QString error;
    if (!m_writer.writeFile(outputPath, text.toUtf8(), error))
        return QStringLiteral("%1 could not be written (%2)").arg(outputPath, error);
    if (const std::optional<FileIdentity> output = fileIdentity(outputPath))
        m_written.insert_or_assign(outputPath, Written{*output, fileIdentity(inputPath)});
    return std::nullopt;
}
