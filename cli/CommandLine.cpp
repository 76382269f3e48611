#include "cli/CommandLine.h"

#include "engine/PageDecoding.h"

#include <QCommandLineParser>

#include <optional>

namespace {

const QString jobsOption = QStringLiteral("jobs");
const QString engineOption = QStringLiteral("engine");
const QString stdoutOption = QStringLiteral("stdout");
const QString statsOption = QStringLiteral("stats");
const QString outputOption = QStringLiteral("output");
const QString outputDirOption = QStringLiteral("output-dir");
const QString noClobberOption = QStringLiteral("no-clobber");
const QString quietOption = QStringLiteral("quiet");
const QString verboseOption = QStringLiteral("verbose");
const QString inputEncodingOption = QStringLiteral("input-encoding");
const QString helpOption = QStringLiteral("help");
const QString versionOption = QStringLiteral("version");
const QString standardInput = QStringLiteral("-");

// Filled alike for parsing and for the help text, so that the two never disagree.
void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Writes the text of each HTML file beside it, as a .txt file of the same name.\n"
        "PATH \"-\" (or no PATH, with standard input not a terminal) reads one page from standard\n"
        "input and writes its text to standard output; its relative links are looked up in the\n"
        "current folder. Text on standard output ends with a newline.\n"
        "A folder is walked as \"Add All HTML Files In Folder\" walks it: every file below it\n"
        "whose full path contains \"htm\" in any letter case, except names beginning with \"~\".\n"
        "\n"
        "Each file that could not be converted is named on standard error as \"path: reason\";\n"
        "files left out on purpose (no web pages, the run's own text files) are counted there.\n"
        "Exit status: 0 when no file failed, 1 when any did, 2 for a usage error."));
    parser.addOptions({
        {jobsOption,
         QStringLiteral("Pages in flight at once (default: one per core, at least 2; "
                        "at most 16)."),
         QStringLiteral("N")},
        {engineOption,
         QStringLiteral("auto (the default): the fast engine for pages whose text it "
                        "gives exactly, the browser engine for the others; browser or "
                        "fast for one engine only (fast runs scripts only in its "
                        "sandboxed workers)."),
         QStringLiteral("ENGINE"), QStringLiteral("auto")},
        {stdoutOption,
         QStringLiteral("Write the text of a single file to standard output "
                        "instead of a file.")},
        {statsOption,
         QStringLiteral("Print what the run cost: files/s, input MB/s, CPU "
                        "seconds, peak memory with the engine's processes.")},
        {{QStringLiteral("o"), outputOption},
         QStringLiteral("Write the text of a single file to FILE (\"-\": standard output)."),
         QStringLiteral("FILE")},
        {outputDirOption,
         QStringLiteral("Write the texts below DIR instead of beside the files: "
                        "a file found in a folder keeps its path below that "
                        "folder, a file named directly lands in DIR itself."),
         QStringLiteral("DIR")},
        {{QStringLiteral("n"), noClobberOption},
         QStringLiteral("Leave an existing text file as it is; the file is counted as left "
                        "alone, not failed.")},
        {{QStringLiteral("q"), quietOption},
         QStringLiteral("No progress line and no notes, only the files that failed.")},
        {verboseOption, QStringLiteral("Name each file left out on purpose, not only count them.")},
        {inputEncodingOption,
         QStringLiteral("Read pages that declare no encoding as LABEL (a WHATWG label such as "
                        "windows-1252, latin1 or shift_jis) instead of guessing."),
         QStringLiteral("LABEL")},
        {{QStringLiteral("h"), helpOption}, QStringLiteral("Show this help.")},
        {{QStringLiteral("v"), versionOption},
         QStringLiteral("Show the version, with those of Qt and its browser engine.")},
    });
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("Files and folders, or \"-\" for standard input."),
                                 QStringLiteral("PATH... | -"));
}

ParsedCommandLine usageError(const QString &error)
{
    ParsedCommandLine parsed;
    parsed.error = error;
    return parsed;
}

// Where the texts go: one place at most, and standard input alone.
std::optional<QString> readOutputOptions(const QCommandLineParser &parser, ConvertOptions &options)
{
    options.outputFile = parser.value(outputOption);
    options.outputFolder = parser.value(outputDirOption);
    options.noClobber = parser.isSet(noClobberOption);
    options.quiet = parser.isSet(quietOption);
    options.verbose = parser.isSet(verboseOption);
    if (options.quiet && options.verbose)
        return QStringLiteral("Choose one of --quiet and --verbose.");
    if (parser.isSet(outputOption) + parser.isSet(outputDirOption) + options.toStandardOutput > 1)
        return QStringLiteral("Choose one of --stdout, --output and --output-dir.");
    // As in pandoc and curl; a file of that name is still "./-".
    if (options.outputFile == standardInput) {
        options.outputFile.clear();
        options.toStandardOutput = true;
    }
    if (parser.isSet(outputOption) && options.outputFile.isEmpty() && !options.toStandardOutput)
        return QStringLiteral("--output takes a file name.");
    if (parser.isSet(outputDirOption) && options.outputFolder.isEmpty())
        return QStringLiteral("--output-dir takes a folder name.");
    if (options.paths.contains(standardInput)) {
        if (options.paths.size() > 1)
            return QStringLiteral("'-' (standard input) is read alone, without other PATHs.");
        if (parser.isSet(outputDirOption))
            return QStringLiteral("'-' (standard input) goes to standard output or --output.");
    }
    return std::nullopt;
}

} // namespace

ParsedCommandLine parseCommandLine(const QStringList &arguments, bool standardInputIsTerminal)
{
    QCommandLineParser parser;
    describeOptions(parser);
    // The parser takes the first argument for the program's name.
    if (!parser.parse(QStringList{QStringLiteral("quillmere-convert")} + arguments))
        return usageError(parser.errorText());

    ParsedCommandLine parsed;
    if (parser.isSet(helpOption)) {
        parsed.action = ParsedCommandLine::Action::ShowHelp;
        return parsed;
    }
    if (parser.isSet(versionOption)) {
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
        return usageError(
            QStringLiteral("Unknown engine '%1'; use auto, browser or fast.").arg(engine));
    if (parser.isSet(jobsOption)) {
        bool isNumber = false;
        options.jobs = parser.value(jobsOption).toInt(&isNumber);
        if (!isNumber || options.jobs < 1)
            return usageError(QStringLiteral("--jobs takes a whole number of at least 1."));
    }
    if (parser.isSet(inputEncodingOption)) {
        options.inputEncoding = parser.value(inputEncodingOption).trimmed().toLower().toLatin1();
        if (!isEncodingLabel(options.inputEncoding))
            return usageError(QStringLiteral("Unknown encoding '%1'; use a WHATWG label such as "
                                             "utf-8, windows-1252 or shift_jis.")
                                  .arg(parser.value(inputEncodingOption)));
    }
    options.paths = parser.positionalArguments();
    if (options.paths.isEmpty() && standardInputIsTerminal)
        return usageError(QStringLiteral("No PATH given."));
    if (options.paths.isEmpty())
        options.paths = QStringList{standardInput};
    options.toStandardOutput = parser.isSet(stdoutOption);
    options.stats = parser.isSet(statsOption);
    if (std::optional<QString> error = readOutputOptions(parser, options))
        return usageError(*error);
    parsed.action = ParsedCommandLine::Action::Convert;
    return parsed;
}

QString helpText()
{
    QCommandLineParser parser;
    describeOptions(parser);
    // The parser names the program by the path it was started from.
    QString text = parser.helpText();
    const qsizetype nameEnd = text.indexOf(QStringLiteral(" [options]"));
    if (text.startsWith(QStringLiteral("Usage: ")) && nameEnd > 0)
        text.replace(7, nameEnd - 7, QStringLiteral("quillmere-convert"));
    return text;
}
