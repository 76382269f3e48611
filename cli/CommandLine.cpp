#include "cli/CommandLine.h"

#include <QCommandLineParser>

namespace {

const QString jobsOption = QStringLiteral("jobs");
const QString engineOption = QStringLiteral("engine");
const QString stdoutOption = QStringLiteral("stdout");
const QString statsOption = QStringLiteral("stats");

// Filled alike for parsing and for the help text, so that the two never disagree.
void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Writes the text of each HTML file beside it, as a .txt file of the same name.\n"
        "A folder is walked as \"Add All HTML Files In Folder\" walks it: every file below it\n"
        "whose full path contains \"htm\" in any letter case, except names beginning with \"~\".\n"
        "\n"
        "Each file that could not be converted is named on standard error as \"path: reason\".\n"
        "Exit status: 0 when no file failed, 1 when any did, 2 for a usage error."));
    parser.addOptions({
        {jobsOption, QStringLiteral("Pages in flight at once (default: one per core, at least 2; "
                                    "at most 16)."),
         QStringLiteral("N")},
        {engineOption, QStringLiteral("auto (the default): the fast engine for pages without "
                                      "scripts, the browser engine for the others; browser or "
                                      "fast for one engine only (fast runs no script)."),
         QStringLiteral("ENGINE"), QStringLiteral("auto")},
        {stdoutOption, QStringLiteral("Write the text of a single file to standard output "
                                      "instead of a file.")},
        {statsOption, QStringLiteral("Print what the run cost: files/s, input MB/s, CPU "
                                     "seconds, peak memory with the engine's processes.")},
    });
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Files and folders."),
                                 QStringLiteral("PATH..."));
}

ParsedCommandLine usageError(const QString &error)
{
    ParsedCommandLine parsed;
    parsed.error = error;
    return parsed;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser);
    // The parser takes the first argument for the program's name.
    if (!parser.parse(QStringList{QStringLiteral("quillmere-convert")} + arguments))
        return usageError(parser.errorText());

    ParsedCommandLine parsed;
    if (parser.isSet(QStringLiteral("help"))) {
        parsed.action = ParsedCommandLine::Action::ShowHelp;
        return parsed;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parsed.action = ParsedCommandLine::Action::ShowVersion;
        return parsed;
    }

    ConvertOptions &options = parsed.options;
    const QString engine = parser.value(engineOption);
    if (engine == QLatin1String("browser"))
        options.engine = EngineChoice::Browser;
    else if (engine == QLatin1String("fast"))
        options.engine = EngineChoice::Fast;
    else if (engine != QLatin1String("auto"))
        return usageError(QStringLiteral("Unknown engine '%1'; use auto, browser or fast.")
                              .arg(engine));
    if (parser.isSet(jobsOption)) {
        bool isNumber = false;
        options.jobs = parser.value(jobsOption).toInt(&isNumber);
        if (!isNumber || options.jobs < 1)
            return usageError(QStringLiteral("--jobs takes a whole number of at least 1."));
    }
    options.paths = parser.positionalArguments();
    if (options.paths.isEmpty())
        return usageError(QStringLiteral("No PATH given."));
    options.toStandardOutput = parser.isSet(stdoutOption);
    options.stats = parser.isSet(statsOption);
    parsed.action = ParsedCommandLine::Action::Convert;
    return parsed;
}

QString helpText()
{
    QCommandLineParser parser;
    describeOptions(parser);
    return parser.helpText();
}
