#pragma once

#include "convert/FailureReport.h"
#include "convert/OutputPath.h"
#include "convert/PageWait.h"

#include <QString>

#include <optional>
#include <map>

class Clock;
class FileListModel;
class MessageBoxes;
class MessagePump;
class RenderEngine;
class RunView;
class TextFileWriter;
struct Platform;

// The "Save As Text" run: every listed file, in list order, through the engine into a .txt
// beside it. A file that cannot be converted gets no output and a line in the closing message;
// the run goes on with the next one.
class ConversionRun
{
public:
    ConversionRun(FileListModel &list, RunView &view, const Platform &platform);

    // How many seconds one page may take to load before the run takes what the engine has.
    void setPageTimeLimit(double seconds);

    // Converts the whole list and tells the user how it went. Returns when the run is over.
    // A call while a run is under way (from an event processed during it) does nothing.
    void run();

private:
    struct ListOutcome
    {
        QList<ItemFailure> failures;
        qsizetype ownTextFiles = 0; // items left alone because each is its own output
    };

    ListOutcome convertList();
    // Each returns why the file could not be converted, or nothing when it was.
    std::optional<QString> convertItem(const QString &inputPath);
    std::optional<QString> loadPageText(const QString &inputPath, QString &text);
    void showProgress(int itemNumber);
    void showHourglass();

    FileListModel &m_list;
    RunView &m_view;
    RenderEngine &m_engine;
    MessagePump &m_pump;
    Clock &m_clock;
    MessageBoxes &m_messages;
    TextFileWriter &m_fileWriter;

    PageWaitLimits m_pageWaitLimits;
    // The text files this run has written so far, each with the page it was written for.
    std::map<FileIdentity, FileIdentity> m_writtenOutputs;
    bool m_running = false;
};
