#include "convert/ConversionRun.h"

#include "convert/OutputPath.h"
#include "convert/RunView.h"
#include "convert/WaitSeconds.h"
#include "filelist/FileListModel.h"
#include "platform/FileNames.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/PointerCode.h"
#include "platform/RenderEngine.h"
#include "platform/TextFileWriter.h"

#include <QScopedValueRollback>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Share of the list done after itemNumber, counted against the list as it is now: the
// division and the multiplication in double precision, the result in single. The list may
// have shrunk during the run, so the result is held within 0 to 100.
float progressPercent(int itemNumber, int currentCount)
{
    if (currentCount < 1)
        return 100.0f;
    return float(std::min(double(itemNumber) / currentCount * 100, 100.0));
}

// How long the engine may take to hand over the text of a page still loading at the bound.
constexpr double partialTextSeconds = 5.0;

std::optional<QString> whyUnreadable(const QString &path)
{
    const QByteArray name = encodeFileName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0) {
        if (errno == ENOENT && hasUnreadableBytes(path))
            return QStringLiteral("its name cannot be read: it holds bytes that are not text");
        return QStringLiteral("the file cannot be read (%1)").arg(qt_error_string(errno));
    }
    // Folders, devices and pipes are no pages, and opening a pipe would wait for a writer.
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("it is not a file");
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("the file cannot be read (%1)").arg(qt_error_string(errno));
    ::close(fd);
    return std::nullopt;
}

} // namespace

ConversionRun::ConversionRun(FileListModel &list, RunView &view, const Platform &platform)
    : m_list(list)
    , m_view(view)
    , m_engine(platform.engine)
    , m_pump(platform.pump)
    , m_clock(platform.clock)
    , m_messages(platform.messages)
    , m_fileWriter(platform.fileWriter)
{
}

void ConversionRun::setPageTimeLimit(double seconds)
{
    m_pageWaitLimits.maxSeconds = seconds;
}

void ConversionRun::run()
{
    // A second run would drive the engine while this one waits for its page, and the two would
    // read each other's text.
    if (m_running)
        return;
    if (m_list.count() < 1) {
        m_messages.inform(QStringLiteral("No files added."));
        return;
    }
    const QScopedValueRollback running(m_running, true);

    showHourglass();
    const ListOutcome outcome = convertList();
    m_messages.inform(doneMessage(outcome.failures, outcome.ownTextFiles));

    // The finished bar stays in view a moment longer.
    WaitSeconds(1, m_clock, m_pump);
    m_view.setMousePointer(DefaultPointer);
    m_view.setProgress(0);
}

ConversionRun::ListOutcome ConversionRun::convertList()
{
    ListOutcome outcome;
    m_writtenOutputs.clear();
    // Items added during the run are left for the next one. Items removed during it shift the
    // rest up, and the run ends where the list now ends.
    const int itemTotal = m_list.count();
    for (int itemNumber = 1; itemNumber <= itemTotal && itemNumber <= m_list.count();
         ++itemNumber) {
        showHourglass();
        const QString inputPath = m_list.text(itemNumber);
        // Not a failure: such an item is the output of an earlier run, or a text file picked
        // with the pages, and it is left as it is.
        if (isSameFile(inputPath, outputPathFor(inputPath)))
            ++outcome.ownTextFiles;
        else if (const std::optional<QString> failure = convertItem(inputPath))
            outcome.failures.append({inputPath, *failure});
        showHourglass();
        showProgress(itemNumber);
    }
    return outcome;
}

std::optional<QString> ConversionRun::convertItem(const QString &inputPath)
{
    if (const std::optional<QString> failure = whyUnreadable(inputPath))
        return failure;
    const QString outputPath = outputPathFor(inputPath);
    if (const std::optional<QString> failure = whyOutputIsLeftAlone(outputPath))
        return failure;
    // "a.htm" and "a.html" share "a.txt": the later one would replace the earlier one's text.
    // A page listed twice (a folder added again) has its text written already, and that is all.
    if (const std::optional<FileIdentity> output = fileIdentity(outputPath)) {
        const auto written = m_writtenOutputs.find(*output);
        if (written != m_writtenOutputs.end() && written->second == fileIdentity(inputPath))
            return std::nullopt;
        if (written != m_writtenOutputs.end())
            return QStringLiteral(
                "its text file was already written for an earlier item in this run");
    }

    QString text;
    if (const std::optional<QString> failure = loadPageText(inputPath, text))
        return failure;

    // Opened, written and closed without processing events, so that closing the window (which
    // ends the process at once) never leaves a file half written.
    QString error;
    if (!m_fileWriter.writeFile(outputPath, text.toUtf8(), error))
        return QStringLiteral("%1 could not be written (%2)").arg(outputPath, error);
    const std::optional<FileIdentity> written = fileIdentity(outputPath);
    const std::optional<FileIdentity> input = fileIdentity(inputPath);
    if (written && input)
        m_writtenOutputs.insert({*written, *input});
    return std::nullopt;
}

std::optional<QString> ConversionRun::loadPageText(const QString &inputPath, QString &text)
{
    m_engine.navigate(inputPath);
    const bool complete = waitForPage(m_engine, m_pump, m_clock, m_pageWaitLimits,
                                      [this] { showHourglass(); });
    if (!complete) {
        // Take the text the page holds so far, if the engine can still give it (a script that
        // never ends cannot let it), then let the engine start afresh: such a page would hold
        // up every later one.
        m_engine.readTextSoFar();
        waitForPage(m_engine, m_pump, m_clock, {.maxSeconds = partialTextSeconds},
                    [this] { showHourglass(); });
        text = m_engine.loadFailed() ? QString() : m_engine.bodyText();
        m_engine.abandonPage();
        if (text.isNull())
            return QStringLiteral("the page did not finish loading in time");
        return std::nullopt;
    }
    if (m_engine.loadFailed())
        return QStringLiteral("the page could not be loaded (%1)").arg(m_engine.errorString());
    text = m_engine.bodyText();
    if (text.isNull())
        return QStringLiteral("the page has no text");
    return std::nullopt;
}

void ConversionRun::showProgress(int itemNumber)
{
    m_view.setProgress(progressPercent(itemNumber, m_list.count()));
}

void ConversionRun::showHourglass()
{
    // Events processed during the run may have set another pointer (a move over the window).
    m_view.setMousePointer(HourglassPointer);
}
