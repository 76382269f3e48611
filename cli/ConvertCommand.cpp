#include "cli/ConvertCommand.h"

#include "cli/CommandLine.h"
#include "cli/ProgressLine.h"
#include "cli/RunStatistics.h"
#include "cli/StandardOutputText.h"
#include "convert/ConversionRun.h"
#include "convert/FolderWalk.h"
#include "convert/RunItems.h"
#include "convert/RunObserver.h"
#include "convert/TextFilesBesideInputs.h"
#include "platform/FileNames.h"

#include <QFileInfo>

#include <optional>

namespace {

QString withoutClosingSeparators(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// Folders are walked as the window's "Add All HTML Files In Folder" walks the folder a user
// picks; anything else is taken for a file.
QStringList filesToConvert(const QStringList &paths, MessagePump &pump)
{
    QStringList files;
    for (const QString &path : paths) {
        if (QFileInfo(path).isDir())
            files += htmlFilesInTree(withoutClosingSeparators(path), pump);
        else
            files += path;
    }
    return files;
}

class CommandObserver : public RunObserver
{
public:
    CommandObserver(std::FILE *err, std::optional<ProgressLine> &progress)
        : m_err(err)
        , m_progress(progress)
    {
    }

    void itemDone(int itemNumber, const ItemOutcome &outcome) override
    {
        if (outcome.result != ItemOutcome::Result::Converted) {
            if (m_progress)
                m_progress->clear();
            std::fprintf(m_err, "%s: %s\n", encodeFileName(outcome.path).constData(),
                         qPrintable(outcome.reason));
        }
        if (m_progress)
            m_progress->update(itemNumber);
    }

private:
    std::FILE *m_err;
    std::optional<ProgressLine> &m_progress;
};

} // namespace

int convertFiles(const ConvertOptions &options, PageEngine &engine, TextFileWriter &writer,
                 MessagePump &pump, const Clock &clock, const CommandStreams &streams)
{
    const QStringList files = filesToConvert(options.paths, pump);
    if (options.toStandardOutput && files.size() != 1) {
        std::fprintf(streams.err, "quillmere-convert: --stdout takes a single file, not %lld.\n",
                     static_cast<long long>(files.size()));
        return UsageError;
    }
    if (files.isEmpty()) {
        std::fprintf(streams.err, "quillmere-convert: no HTML files found.\n");
        return NoneFailed;
    }

    TextFilesBesideInputs textFiles(writer);
    StandardOutputText standardOutput(streams.out);
    TextDestination &destination =
        options.toStandardOutput ? static_cast<TextDestination &>(standardOutput) : textFiles;
    ConversionRun run(engine, destination, pump, clock);
    if (options.jobs > 0)
        run.setJobs(options.jobs);

    std::optional<ProgressLine> progress;
    if (streams.errIsTerminal)
        progress.emplace(streams.err, clock, int(files.size()));
    std::optional<RunStatistics> statistics;
    if (options.stats) {
        statistics.emplace(files);
        statistics->start();
    }
    CommandObserver observer(streams.err, progress);
    const ConversionReport report = run.run(FixedItems(files), observer);
    if (progress)
        progress->clear();

    const int failed = int(report.count(ItemOutcome::Result::Failed));
    if (statistics) {
        statistics->stop();
        statistics->print(options.toStandardOutput ? streams.err : streams.out, failed);
    }
    return failed > 0 ? SomeFailed : NoneFailed;
}
