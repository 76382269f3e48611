#include "convert/TextFiles.h"

#include "platform/FileNames.h"
#include "platform/TextFileWriter.h"

#include <QFileInfo>

#include <cstdlib>
#include <memory>

namespace {

// The folder with every link and "." or ".." resolved, so that each folder has one spelling;
// the name as it is. Empty when the folder is not there.
QString resolvedFolder(const QString &path)
{
    const QByteArray folder = encodeFileName(QFileInfo(path).path());
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(folder.constData(), nullptr), &std::free);
    return resolved ? decodeFileName(QByteArray(resolved.get())) : QString();
}

} // namespace

void TextFiles::startRun()
{
    m_writtenOutputs.clear();
}

TextFiles::OutputKey TextFiles::outputKey(const QString &outputPath)
{
    return {resolvedFolder(outputPath), QFileInfo(outputPath).fileName().toCaseFolded()};
}

std::optional<QString> TextFiles::whyNotWritable(const QString &inputPath) const
{
    return whyOutputIsLeftAlone(outputPathOf(inputPath));
}

std::optional<QString> TextFiles::whySkipped(const QString &inputPath) const
{
    if (isSameFile(inputPath, outputPathOf(inputPath)))
        return QStringLiteral("its text file would replace the file itself");
    return std::nullopt;
}

// Another program may replace files in the same folder meanwhile (a second run, say), which
// frees inodes for reuse: an output is therefore known by its path, and its identity is
// compared only with what is at that path now, where a case-insensitive file system may give
// one file two spellings.
const TextFiles::WrittenOutput *TextFiles::writtenOutput(const QString &outputPath) const
{
    const QString folder = resolvedFolder(outputPath);
    if (folder.isEmpty())
        return nullptr;
    const QString name = QFileInfo(outputPath).fileName();
    const auto written = m_writtenOutputs.find({folder, name.toCaseFolded()});
    if (written == m_writtenOutputs.end())
        return nullptr;
    if (written->second.name == name || fileIdentity(outputPath) == written->second.output)
        return &written->second;
    return nullptr;
}

bool TextFiles::isWrittenAlready(const QString &inputPath) const
{
    const WrittenOutput *written = writtenOutput(outputPathOf(inputPath));
    return written && written->input && written->input == fileIdentity(inputPath);
}

std::optional<QString> TextFiles::whyNoLongerWritable(const QString &inputPath) const
{
    if (writtenOutput(outputPathOf(inputPath)))
        return QStringLiteral("its text file was already written for an earlier item in this run");
    return std::nullopt;
}

// An output prepared and not yet in place is known by its name alone; anything that could be
// the same file waits for it, which an ordinary list of pages never does.
bool TextFiles::dependsOnPrepared(const QString &inputPath) const
{
    return !m_preparedKeys.empty() && m_preparedKeys.contains(outputKey(outputPathOf(inputPath)));
}

std::optional<QString> TextFiles::prepare(const QString &inputPath, const QString &text)
{
    const QString outputPath = outputPathOf(inputPath);
    QString error;
    if (!stage(m_writer, outputPath, text.toUtf8(), error))
        return QStringLiteral("%1 could not be written (%2)").arg(outputPath, error);
    m_prepared.push_back({outputPath, inputPath});
    m_preparedKeys.insert(outputKey(outputPath));
    return std::nullopt;
}

bool TextFiles::stage(TextFileWriter &writer, const QString &outputPath, const QByteArray &content,
                      QString &error)
{
    return writer.stageFile(outputPath, content, error);
}

std::vector<std::optional<QString>> TextFiles::commitPrepared()
{
    std::vector<std::optional<QString>> outcomes = m_writer.commitStaged();
    for (size_t i = 0; i < outcomes.size() && i < m_prepared.size(); ++i) {
        const PreparedOutput &prepared = m_prepared[i];
        if (outcomes[i]) {
            outcomes[i] = QStringLiteral("%1 could not be written (%2)")
                              .arg(prepared.outputPath, *outcomes[i]);
            continue;
        }
        m_writtenOutputs.insert_or_assign(outputKey(prepared.outputPath),
                                          WrittenOutput{QFileInfo(prepared.outputPath).fileName(),
                                                        fileIdentity(prepared.outputPath),
                                                        fileIdentity(prepared.inputPath)});
    }
    m_prepared.clear();
    m_preparedKeys.clear();
    return outcomes;
}
