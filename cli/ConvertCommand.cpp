#include "cli/ConvertCommand.h"

#include "cli/ChosenDestination.h"
#include "cli/CommandLine.h"
#include "cli/InputFiles.h"
#include "cli/ProgressLine.h"
#include "cli/RunStatistics.h"
#include "cli/StandardInputPage.h"
#include "convert/ConversionRun.h"
#include "convert/FolderWalk.h"
#include "convert/RunItems.h"
#include "convert/RunObserver.h"
#include "platform/EscapedText.h"
#include "engine/PageEngine.h"

#include <optional>

namespace {

const QString standardInputName = QStringLiteral("-");

// Whatever a name holds, it stays on its own line and cannot drive the terminal.
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
        // Files left alone on purpose, and notes on converted ones; --quiet keeps only the
        // failures.
        const bool named = outcome.result == ItemOutcome::Result::Failed
            || (outcome.result != ItemOutcome::Result::Converted && !m_quiet)
            || (!outcome.reason.isEmpty() && !m_quiet);
        if (named) {
            if (m_progress)
                m_progress->clear();
            const QString path =
                outcome.path == m_standardInputPage ? standardInputName : outcome.path;
            printLine(m_err, path + QStringLiteral(": ") + outcome.reason);
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
        std::FILE *stream = toStandardOutput ? streams.err : streams.out;
        statistics->print(stream, failed);
        if (const std::optional<PagesByEngine> pages = engine.pagesByEngine())
            std::fprintf(stream, "engines      %s\n", qPrintable(describePagesByEngine(*pages)));
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
        if (const QString why = page.whyNotInCurrentFolder(); !why.isEmpty() && !options.quiet)
            printNote(streams.err,
                      QStringLiteral("the page is kept in a private folder, since %1: "
                                     "its relative links find nothing.")
                          .arg(why));
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
