#include "cli/ConvertCommand.h"

#include "cli/ChosenDestination.h"
#include "cli/CommandLine.h"
#include "cli/InputFiles.h"
#include "cli/ProgressLine.h"
#include "cli/RunStatistics.h"
#include "cli/StandardInputPage.h"
#include "convert/ConversionReport.h"
#include "convert/ConversionRun.h"
#include "convert/FolderWalk.h"
#include "convert/RunItems.h"
#include "convert/RunObserver.h"
#include "engine/PageEngine.h"
#include "platform/EscapedText.h"

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

// The files left out on purpose, each a note that is named only when asked for: a walk over a
// documentation folder meets hundreds of pictures and style sheets, and a second run as many
// text files of the first.
class LeftOutFiles
{
public:
    enum Kind { OwnTextFile, NotAPage, KeptTextFile };

    void add(Kind kind) { ++m_counts[kind]; }

    void print(std::FILE *stream) const
    {
        const QString lines[] = {
            ownTextFilesLine(m_counts[OwnTextFile]),
            notPagesLine(m_counts[NotAPage]),
            m_counts[KeptTextFile] == 1
                ? QStringLiteral("1 file was left alone: its text file exists already.")
                : QStringLiteral("%1 files were left alone: their text files exist already.")
                      .arg(m_counts[KeptTextFile]),
        };
        for (const Kind kind : {OwnTextFile, NotAPage, KeptTextFile}) {
            if (m_counts[kind] > 0)
                printNote(stream,
                          lines[kind].chopped(1) + QStringLiteral(" (--verbose names each)."));
        }
    }

private:
    qsizetype m_counts[3] = {};
};

class CommandObserver : public RunObserver
{
public:
    CommandObserver(std::FILE *err, std::optional<ProgressLine> &progress,
                    const ConvertOptions &options, const ChosenDestination &destination,
                    QString standardInputPage)
        : m_err(err)
        , m_progress(progress)
        , m_options(options)
        , m_destination(destination)
        , m_standardInputPage(std::move(standardInputPage))
    {
    }

    void itemDone(int itemNumber, const ItemOutcome &outcome) override
    {
        using Result = ItemOutcome::Result;
        // Files left out on purpose are counted, or named with --verbose; notes on converted
        // pages are named; --quiet keeps only the failures.
        const bool leftOut = outcome.result == Result::Skipped
            || outcome.result == Result::NotAPage;
        if (leftOut && !m_options.verbose)
            m_leftOut.add(leftOutKind(outcome));
        const bool noted = outcome.result == Result::Converted && !outcome.reason.isEmpty();
        const bool named = outcome.result == Result::Failed || (leftOut && m_options.verbose)
            || (noted && !m_options.quiet);
        if (named) {
            if (m_progress)
                m_progress->clear();
            const QString path = outcome.path == m_standardInputPage ? standardInputName
                                                                     : outcome.path;
            printLine(m_err, path + QStringLiteral(": ") + outcome.reason);
        }
        if (m_progress)
            m_progress->update(itemNumber);
    }

    void printCounts() const
    {
        if (!m_options.quiet)
            m_leftOut.print(m_err);
    }

private:
    LeftOutFiles::Kind leftOutKind(const ItemOutcome &outcome) const
    {
        if (outcome.result == ItemOutcome::Result::NotAPage)
            return LeftOutFiles::NotAPage;
        return m_destination.isOwnTextFile(outcome.path) ? LeftOutFiles::OwnTextFile
                                                         : LeftOutFiles::KeptTextFile;
    }

    std::FILE *m_err;
    std::optional<ProgressLine> &m_progress;
    const ConvertOptions &m_options;
    const ChosenDestination &m_destination;
    QString m_standardInputPage;
    LeftOutFiles m_leftOut;
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
    QStringList listedFolders;
    for (const InputFile &file : files) {
        paths += file.path;
        listedFolders += file.listedFolder;
    }
    std::optional<ProgressLine> progress;
    if (streams.errIsTerminal && !options.quiet)
        progress.emplace(streams.err, clock, int(files.size()));
    std::optional<RunStatistics> statistics;
    if (options.stats) {
        statistics.emplace(paths);
        statistics->start();
    }
    CommandObserver observer(streams.err, progress, options, destination, standardInputPage);
    const ConversionReport report = run.run(FixedItems(paths, listedFolders), observer);
    if (progress)
        progress->clear();
    observer.printCounts();

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
        return convertFileList(options, {{page.path(), QString(), QString()}}, page.path(), engine,
                               writer, pump, clock, streams);
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
