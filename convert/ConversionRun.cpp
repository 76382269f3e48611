#include "convert/ConversionRun.h"

#include "convert/OutputPath.h"
#include "convert/RunView.h"
#include "convert/WaitSeconds.h"
#include "filelist/FileListModel.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/PointerCode.h"
#include "platform/RenderEngine.h"
#include "platform/TextFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <algorithm>

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

std::optional<QString> whyUnreadable(const QString &path)
{
    // Folders, devices and pipes are no pages, and opening a pipe would wait for a writer.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a file");
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        return QStringLiteral("the file cannot be read (%1)").arg(input.errorString());
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

    QString text;
    if (const std::optional<QString> failure = loadPageText(inputPath, text))
        return failure;

    // Opened, written and closed without processing events, so that closing the window (which
    // ends the process at once) never leaves a file half written.
    QString error;
    if (!m_fileWriter.writeFile(outputPath, text.toUtf8(), error))
        return QStringLiteral("%1 could not be written (%2)").arg(outputPath, error);
    return std::nullopt;
}

std::optional<QString> ConversionRun::loadPageText(const QString &inputPath, QString &text)
{
    m_engine.navigate(inputPath);
    const bool complete = waitForPage(m_engine, m_pump, m_clock, m_pageWaitLimits,
                                      [this] { showHourglass(); });
    if (!complete) {
        // A script that never ends would hold up every later page: take what there is and let
        // the engine start afresh.
        text = m_engine.bodyText();
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
