// Runs the fast engine and the browser engine over the same pages and says how often their
// texts agree byte for byte, with the first disagreements as diffs. Folders are walked as
// "Add All HTML Files In Folder" walks them (files whose own name holds "htm"); pages that
// carry a script other than known ones (run by the fast engine itself), and pages whose
// encoding only a guess can tell, are left out unless --all is given (the fast engine is meant
// for the others only). With --auto the pages compared are those the automatic engine gives
// the fast engine, with the text it takes from it, whatever the fast engine does with them.
//
//     fast_vs_browser [--all | --auto] [--diffs N] [--require PERCENT]
//                     [--require-taken PERCENT] <folder or file>...
//
// --require-taken fails the run when the fast engine takes a smaller share of the pages.
//     fast_vs_browser --show <file>       (both texts of one page, escaped)

#include "bench/AutoEngineChoice.h"
#include "bench/PageText.h"
#include "convert/FolderWalk.h"
#include "engine/PageType.h"
#include "engine/browser/BrowserPageLoader.h"
#include "engine/browser/RenderEngineSetup.h"
#include "engine/fast/FastPage.h"
#include "platform/QtMessagePump.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

struct Options
{
    bool all = false;
    bool autoChoice = false;
    bool show = false;
    int diffs = 5;
    double requiredPercent = -1;
    double requiredTakenPercent = -1; // of the pages the fast engine takes

    QStringList paths;
};

bool parseOptions(const QStringList &arguments, Options &options)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == "--all") {
            options.all = true;
        } else if (argument == "--auto") {
            options.autoChoice = true;
        } else if (argument == "--show") {
            options.show = true;
        } else if ((argument == "--diffs" || argument == "--require"
                    || argument == "--require-taken")
                   && i + 1 < arguments.size()) {
            bool ok = false;
            const double value = arguments[++i].toDouble(&ok);
            if (!ok)
                return false;
            if (argument == "--diffs")
                options.diffs = int(value);
            else if (argument == "--require")
                options.requiredPercent = value;
            else
                options.requiredTakenPercent = value;
        } else if (argument.startsWith("--")) {
            return false;
        } else {
            options.paths << argument;
        }
    }
    return !options.paths.isEmpty() && !(options.all && options.autoChoice);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The browser engine's text of a page, or a null string when it could not load it.
QString browserText(PageLoader &engine, const QString &path)
{
    return waitForPageText(engine, path, 30'000).value_or(QString());
}

// Tabs, newlines and spaces at a line's end made visible.
QString escaped(const QString &line)
{
    QString out;
    for (QChar c : line) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c.unicode() < 0x20 || c == QChar(0xA0) || c == QChar(0x200B))
            out += QString("\\u%1").arg(c.unicode(), 4, 16, QChar('0'));
        else
            out += c;
    }
    if (out.endsWith(' '))
        out += "⏎";
    return out;
}

// The lines around the first difference of two texts.
void printDiff(const QString &fast, const QString &browser)
{
    const QStringList fastLines = fast.split('\n');
    const QStringList browserLines = browser.split('\n');
    qsizetype first = 0;
    while (first < fastLines.size() && first < browserLines.size()
           && fastLines[first] == browserLines[first])
        ++first;
    qsizetype fromEnd = 0;
    while (fromEnd < fastLines.size() - first && fromEnd < browserLines.size() - first
           && fastLines[fastLines.size() - 1 - fromEnd]
               == browserLines[browserLines.size() - 1 - fromEnd])
        ++fromEnd;
    std::printf("  @@ line %lld (fast %lld lines, browser %lld lines)\n", (long long)first + 1,
                (long long)fastLines.size(), (long long)browserLines.size());
    if (first > 0)
        std::printf("    %s\n", qPrintable(escaped(fastLines[first - 1])));
    constexpr qsizetype shown = 4;
    for (qsizetype i = first; i < std::min(browserLines.size() - fromEnd, first + shown); ++i)
        std::printf("  - %s\n", qPrintable(escaped(browserLines[i])));
    for (qsizetype i = first; i < std::min(fastLines.size() - fromEnd, first + shown); ++i)
        std::printf("  + %s\n", qPrintable(escaped(fastLines[i])));
}

// Pages whose two texts were compared, and the first disagreements shown.
class Comparison
{
public:
    explicit Comparison(int diffsToShow) : m_diffsLeft(diffsToShow) {}

    void add(const QString &path, const QString &fast, const QString &browser)
    {
        ++m_compared;
        if (fast == browser) {
            ++m_identical;
        } else if (m_diffsLeft-- > 0) {
            std::printf("%s\n", qPrintable(path));
            printDiff(fast, browser);
        }
    }
    int compared() const { return m_compared; }
    int identical() const { return m_identical; }
    double percent() const { return m_compared ? 100.0 * m_identical / m_compared : 100.0; }

private:
    int m_diffsLeft; // disagreements still to be shown
    int m_compared = 0;
    int m_identical = 0;
};

bool meetsRequirements(const Options &options, const Comparison &comparison, int taken, int all)
{
    const double takenPercent = all ? 100.0 * taken / all : 100.0;
    return comparison.percent() >= options.requiredPercent
        && takenPercent >= options.requiredTakenPercent;
}

// A folder is walked as the program walks it, and, as in a run, only the files that are pages
// are kept: below a folder named "html" every style sheet and picture would count as one.
QStringList inputFiles(const QStringList &paths, MessagePump &pump)
{
    QStringList files;
    for (const QString &path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        for (const QString &file : htmlFilesInTree(path, pump)) {
            if (fileTypeOfFile(file).isPage())
                files << file;
        }
    }
    return files;
}

int show(PageLoader &engine, const QString &path)
{
    const FastPage page(readFile(path), path);
    const QString fast = page.bodyText();
    const QString browser = browserText(engine, path);
    std::printf("carries script: %s; encoding guessed: %s\n--- browser\n",
                !page.carriesScript()     ? "no"
                    : page.scriptsKnown() ? "only known ones"
                                          : "yes",
                page.encodingGuessed() ? "yes" : "no");
    for (const QString &line : browser.split('\n'))
        std::printf("|%s\n", qPrintable(escaped(line)));
    std::printf("--- fast\n");
    for (const QString &line : fast.split('\n'))
        std::printf("|%s\n", qPrintable(escaped(line)));
    std::printf("--- %s\n", fast == browser ? "identical" : "DIFFERENT");
    return fast == browser ? 0 : 1;
}

// The pages whose text the fast engine is meant to give exactly, both engines' texts compared.
int compareExactPages(const Options &options, PageLoader &engine, const QStringList &files)
{
    Comparison comparison(options.diffs);
    int withKnownScripts = 0, withScript = 0, guessedEncoding = 0, otherTree = 0, unloadable = 0;
    for (const QString &path : files) {
        const FastPage page(readFile(path), path);
        if (!options.all && !page.isExact()) {
            ++(page.carriesScript() && !page.scriptsKnown() ? withScript
                   : page.encodingGuessed()                 ? guessedEncoding
                                                            : otherTree);
            continue;
        }
        std::optional<BrowserReason> stylingReason;
        const QString fast = page.bodyText(&stylingReason);
        if (!options.all && stylingReason) {
            ++otherTree;
            continue;
        }
        const QString browser = browserText(engine, path);
        if (browser.isNull()) {
            ++unloadable;
            continue;
        }
        withKnownScripts += page.scriptsKnown();
        comparison.add(path, fast, browser);
    }
    std::printf("%d of %d pages identical (%.1f%%), %d of them with known scripts only; left out:"
                " %d with other scripts, %d in an undeclared encoding, %d whose tree may not be the"
                " browser's; %d the browser could not load\n",
                comparison.identical(), comparison.compared(), comparison.percent(),
                withKnownScripts, withScript, guessedEncoding, otherTree, unloadable);
    std::fflush(stdout);
    const int all = comparison.compared() + withScript + guessedEncoding + otherTree + unloadable;
    return meetsRequirements(options, comparison, comparison.compared(), all) ? 0 : 1;
}

// The pages the automatic engine gives the fast engine, its text against the browser's.
int compareAutoEngineChoices(const Options &options, PageLoader &engine, const QStringList &files)
{
    AutoEngineChooser chooser;
    Comparison comparison(options.diffs);
    int unloadable = 0;
    for (const QString &path : files) {
        const AutoEngineChoice choice = chooser.choose(path);
        if (!choice.fastText) {
            unloadable += !choice.browserReason;
            continue;
        }
        const QString browser = browserText(engine, path);
        if (browser.isNull()) {
            ++unloadable;
            continue;
        }
        comparison.add(path, *choice.fastText, browser);
    }
    const PagesByEngine pages = chooser.pagesByEngine();
    std::printf("%d of %d pages the automatic engine gives the fast engine identical (%.1f%%);"
                " of %lld pages, %s; %d could not be read by one engine or the other\n",
                comparison.identical(), comparison.compared(), comparison.percent(),
                (long long)files.size(), qPrintable(describePagesByEngine(pages)), unloadable);
    std::fflush(stdout);
    return meetsRequirements(options, comparison, pages.fast, int(files.size())) ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareRenderEngine();
    QApplication app(argc, argv);
    Options options;
    if (!parseOptions(app.arguments().mid(1), options)) {
        std::fprintf(stderr,
                     "usage: fast_vs_browser [--all | --auto] [--diffs N] [--require PERCENT]"
                     " [--require-taken PERCENT] <folder or file>...\n       fast_vs_browser "
                     "--show <file>\n");
        return 2;
    }
    BrowserPageLoader engine;
    QtMessagePump pump;
    if (options.show)
        return show(engine, options.paths.first());

    const QStringList files = inputFiles(options.paths, pump);
    return options.autoChoice ? compareAutoEngineChoices(options, engine, files)
                              : compareExactPages(options, engine, files);
}
