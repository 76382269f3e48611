#include "cli/ChosenDestination.h"

#include "cli/CommandLine.h"
#include "convert/OutputPath.h"

namespace {

// Each input's path below the folder it was found in, moved below folder. A page listed twice
// keeps the place it was first given.
QHash<QString, QString> pathsBelow(const QString &folder, const QList<InputFile> &files)
{
    QHash<QString, QString> paths;
    for (const InputFile &file : files) {
        if (!paths.contains(file.path))
            paths.insert(file.path, folder + u'/' + ::outputPathFor(file.placeBelowFolder));
    }
    return paths;
}

} // namespace

ChosenDestination::ChosenDestination(const ConvertOptions &options, bool toStandardOutput,
                                     const QList<InputFile> &files, TextFileWriter &writer,
                                     std::FILE *out)
    : m_besideInputs(writer)
    , m_standardOutput(out)
{
    if (!options.outputFile.isEmpty())
        m_givenPaths.emplace(writer, QHash<QString, QString>{{files[0].path, options.outputFile}});
    else if (!options.outputFolder.isEmpty())
        m_givenPaths.emplace(writer, pathsBelow(options.outputFolder, files), options.outputFolder);

    if (m_givenPaths)
        m_destination = &*m_givenPaths;
    else if (toStandardOutput)
        m_destination = &m_standardOutput;
    else
        m_destination = &m_besideInputs;
    m_unkept = m_destination;
    if (options.noClobber && m_destination != &m_standardOutput) {
        m_kept.emplace(*m_destination,
                       [this](const QString &input) { return outputPathFor(input); });
        m_destination = &*m_kept;
    }
}

bool ChosenDestination::isOwnTextFile(const QString &inputPath) const
{
    return m_unkept->whySkipped(inputPath).has_value();
}

QString ChosenDestination::outputPathFor(const QString &inputPath) const
{
    return m_givenPaths ? m_givenPaths->outputPathFor(inputPath) : ::outputPathFor(inputPath);
}
