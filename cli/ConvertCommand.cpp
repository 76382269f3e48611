#include "cli/ConvertCommand.h"

#include "cli/CommandLine.h"
#include "cli/InputFiles.h"
#include "cli/ProgressLine.h"
#include "cli/RunStatistics.h"
#include "cli/StandardInputPage.h"
#include "cli/StandardOutputText.h"
#include "convert/ConversionRun.h"
#include "convert/ExistingTextFilesKept.h"
#include "convert/OutputPath.h"
#include "convert/RunItems.h"
#include "convert/RunObserver.h"
#include "convert/TextFilesAtGivenPaths.h"
#include "convert/TextFilesBesideInputs.h"
#include "platform/EscapedText.h"

#include <QDir>

#include <memory>
#include <optional>

namespace {

const QString standardInputName = QStringLiteral("-");

void printLine(std::FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", escapeControlCharacters(line).toUtf8().constData());
}

void printNote(std::FILE *stream, const QString &note)
{
    printLine(stream, QStringLiteral("quillmere-convert: ") + note);
}

class CommandObserver : public RunObserver
{
public:
    CommandObserver(std::FILE *err, std::optional<ProgressLine> &progress, bool quiet,
                    QString standardInputPage)
        : m_err(err)
        , m_progress(progress)
        , m_quiet(quiet)
        , m_standardInputPage(std::move(standardInputPage))
    {
    }

    void itemDone(int itemNumber, const ItemOutcome &outcome) override
    {
        const bool named = outcome.result == ItemOutcome::Result::Failed
                           || (outcome.result == ItemOutcome::Result::Skipped && !m_quiet);
        if (named) {
            if (m_progress)
                m_progress->clear();
            const QString path =
                outcome.path == m_standardInputPage ? standardInputName : outcome.path;
            std::fprintf(m_err, "%s: %s\n", escapeControlCharacters(path).toUtf8().constData(),
                         escapeControlCharacters(outcome.reason).toUtf8().constData());
        }
        if (m_progress)
            m_progress->update(itemNumber);
    }

private:
    std::FILE *m_err;
    std::optional<ProgressLine> &m_progress;
    bool m_quiet;
    QString m_standardInputPage;
};

// Where each text goes, as the options ask; the no-clobber rule wraps whichever it is.
class ChosenDestination
{
public:
    ChosenDestination(const ConvertOptions &options, bool toStandardOutput,
                      const QList<InputFile> &files, TextFileWriter &writer, std::FILE *out)
        : m_besideInputs(writer)
        , m_standardOutput(out)
    {
        if (!options.outputFile.isEmpty()) {
            m_givenPaths.emplace(writer, QHash<QString, QString>{{files[0].path, options.outputFile}},
                                 TextFilesAtGivenPaths::Folders::MustExist);
        } else if (!options.outputFolder.isEmpty()) {
            m_givenPaths.emplace(writer, pathsBelow(options.outputFolder, files),
                                 TextFilesAtGivenPaths::Folders::Create);
        }
        TextDestination &chosen = m_givenPaths ? static_cast<TextDestination &>(*m_givenPaths)
                                  : toStandardOutput ? static_cast<TextDestination &>(m_standardOutput)
                                                     : m_besideInputs;
        m_destination = &chosen;
        if (options.noClobber && m_destination != &m_standardOutput) {
            m_kept.emplace(chosen, [this](const QString &input) { return outputPathFor(input); });
            m_destination = &*m_kept;
        }
    }

    ChosenDestination(const ChosenDestination &) = delete;
    ChosenDestination &operator=(const ChosenDestination &) = delete;

    TextDestination &destination() { return *m_destination; }

private:
    static QHash<QString, QString> pathsBelow(const QString &folder, const QList<InputFile> &files)
    {
        QHash<QString, QString> paths;
        for (const InputFile &file : files) {
            if (!paths.contains(file.path))
                paths.insert(file.path,
                             folder + u'/' + ::outputPathFor(file.placeBelowFolder));
        }
        return paths;
    }

    QString outputPathFor(const QString &input) const
    {
        return m_givenPaths ? m_givenPaths->outputPathFor(input) : ::outputPathFor(input);
    }

    TextFilesBesideInputs m_besideInputs;
    StandardOutputText m_standardOutput;
    std::optional<TextFilesAtGivenPaths> m_givenPaths;
    std::optional<ExistingTextFilesKept> m_kept;
    TextDestination *m_destination = nullptr;
};

int convertFileList(const ConvertOptions &options, const QList<InputFile> &files,
                    const QString &standardInputPage, PageEngine &engine, TextFileWriter &writer,
                    MessagePump &pump, const Clock &clock, const CommandStreams &streams)
{
    const bool toStandardOutput = options.toStandardOutput
                                  || (!standardInputPage.isEmpty() && options.outputFile.isEmpty());
    ChosenDestination destination(options, toStandardOutput, files, writer, streams.out);
    ConversionRun run(engine, destination.destination(), pump, clock);
    if (options.jobs > 0)
        run.setJobs(options.jobs);

    QStringList paths;
    for (const InputFile &file : files)
        paths += file.path;
    std::optional<ProgressLine> progress;
    if (streams.errIsTerminal && !options.quiet)
        progress.emplace(streams.err, clock, int(files.size()));
    std::optional<RunStatistics> statistics;
    if (options.stats) {
        statistics.emplace(paths);
        statistics->start();
    }
    CommandObserver observer(streams.err, progress, options.quiet, standardInputPage);
    const ConversionReport report = run.run(FixedItems(paths), observer);
    if (progress)
        progress->clear();

    const int failed = int(report.count(ItemOutcome::Result::Failed));
    if (statistics) {
        statistics->stop();
        statistics->print(toStandardOutput ? streams.err : streams.out, failed);
    }
    return failed > 0 ? SomeFailed : NoneFailed;
}

} // namespace

int convertFiles(const ConvertOptions &options, PageEngine &engine, TextFileWriter &writer,
                 MessagePump &pump, const Clock &clock, const CommandStreams &streams)
{
    if (options.paths == QStringList{standardInputName}) {
        QString error;
        const StandardInputPage page(streams.in, error);
        if (!page.isReady()) {
            printNote(streams.err, error);
            return SomeFailed;
        }
        if (!page.isInCurrentFolder() && !options.quiet)
            printNote(streams.err, QStringLiteral("the current folder cannot be written, so the "
                                                  "page's relative links find nothing."));
        return convertFileList(options, {{page.path(), QString()}}, page.path(), engine, writer,
                               pump, clock, streams);
    }

    const QList<InputFile> files = filesToConvert(options.paths, pump);
    for (const auto &[option, isSet] : {std::pair{"--stdout", options.toStandardOutput},
                                        std::pair{"--output", !options.outputFile.isEmpty()}}) {
        if (isSet && files.size() != 1) {
            std::fprintf(streams.err, "quillmere-convert: %s takes a single file, not %lld.\n",
                         option, static_cast<long long>(files.size()));
            return UsageError;
        }
    }
    if (files.isEmpty()) {
        if (!options.quiet)
            printNote(streams.err, QStringLiteral("no HTML files found."));
        return NoneFailed;
    }
    return convertFileList(options, files, QString(), engine, writer, pump, clock, streams);
}
