#pragma once

#include <QString>
#include <QStringList>

// Which engine gives the pages their text.
enum class EngineChoice {
    Auto,    // the fast engine where its text is exact, the browser engine for the rest
    Browser, // the browser engine for every page
    Fast,    // the fast engine for every page, its scripts run only in its sandboxed workers
};

// What quillmere-convert was asked to do.
struct ConvertOptions
{
    QStringList paths; // files, and folders to walk; "-" alone for standard input
    int jobs = 0;      // pages in flight; 0 for the default
    EngineChoice engine = EngineChoice::Auto;
    bool toStandardOutput = false;
    bool stats = false;
    // Where the texts go instead of beside the inputs, when set: the single input's text file,
    // or the folder below which each input's path is mirrored.
    QString outputFile;
    QString outputFolder;
    bool noClobber = false; // an existing text file is left as it is
    bool quiet = false;     // failures only: no progress line, no notes
    bool verbose = false;   // each file left out on purpose named, not only counted
    // The WHATWG label of the encoding of pages that declare none; empty for the engines' own
    // choice.
    QByteArray inputEncoding;
};

struct ParsedCommandLine
{
    enum class Action { Convert, ShowHelp, ShowVersion, UsageError };

    Action action = Action::UsageError;
    ConvertOptions options;
    QString error; // for a usage error: what was wrong, in one line
};

// Reads the arguments after the program's name. Without a PATH the page comes from standard
// input, unless that is a terminal, where nobody would be typing a page.
ParsedCommandLine parseCommandLine(const QStringList &arguments,
                                   bool standardInputIsTerminal = true);

QString helpText();
