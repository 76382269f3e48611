#pragma once

// Stand-ins for everything outside the process, so that tests drive the window and the run
// without a display, a browser or a user. Each fake records what it was asked and lets a test
// react at the moment it is asked (the hooks run where the real thing would process events).

#include "convert/ConversionReport.h"
#include "convert/RunObserver.h"
#include "engine/PageEngine.h"
#include "engine/PageLoader.h"
#include "platform/Clock.h"
#include "platform/CursorPosition.h"
#include "platform/Desktop.h"
#include "platform/FileDialog.h"
#include "platform/FolderBrowser.h"
#include "platform/MessageBoxes.h"
#include "platform/MessagePump.h"
#include "platform/Platform.h"
#include "platform/QtTextFileWriter.h"
#include "platform/RandomSource.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

// Thrown by FakeDesktop::endProcess(), so a test can see that the process would end there.
struct ProcessEnded
{
};

class FakePageEngine;

// One page in flight of FakePageEngine; see there.
class FakePageLoader : public PageLoader
{
public:
    explicit FakePageLoader(FakePageEngine &engine) : m_engine(engine) {}
    ~FakePageLoader() override;

    void load(const QString &path) override;
    void readTextSoFar() override { m_textSoFarAsked = true; }
    void abandon() override;
    // One round of events: the page comes one round closer to its end.
    void processEvents();
    bool isLoading() const { return !m_path.isNull(); }

private:
    FakePageEngine &m_engine;
    QString m_path;
    int m_roundsLeft = 0;
    bool m_textSoFarAsked = false;
};

// An engine that answers from a table: path -> text. A path missing from the table fails to
// load. A page is done after roundsToLoad rounds of events (2 unless the table says otherwise);
// a hanging page (a script that never ends) never is, but gives its text so far when asked, if
// the table has any, and else never answers.
class FakePageEngine : public PageEngine
{
public:
    QHash<QString, QString> pages;
    QHash<QString, int> roundsToLoad;
    QSet<QString> hangingPages;
    QStringList loads;
    int loadersMade = 0;
    int abandonedPages = 0;
    int mostPagesInFlight = 0;
    std::vector<FakePageLoader *> loaders;
    // Set, the engine counts every page it loads as the fast engine's, like an engine that
    // chooses one for each page.
    std::optional<PagesByEngine> pagesTaken;

    std::optional<PagesByEngine> pagesByEngine() const override { return pagesTaken; }

    std::unique_ptr<PageLoader> createLoader() override
    {
        ++loadersMade;
        auto loader = std::make_unique<FakePageLoader>(*this);
        loaders.push_back(loader.get());
        return loader;
    }

    void processEvents()
    {
        for (FakePageLoader *loader : std::vector(loaders))
            loader->processEvents();
    }

    int pagesInFlight() const
    {
        return int(std::count_if(loaders.begin(), loaders.end(),
                                 [](FakePageLoader *loader) { return loader->isLoading(); }));
    }
};

inline FakePageLoader::~FakePageLoader()
{
    std::erase(m_engine.loaders, this);
}

inline void FakePageLoader::load(const QString &path)
{
    m_engine.loads << path;
    if (m_engine.pagesTaken)
        ++m_engine.pagesTaken->fast;
    m_path = path;
    m_roundsLeft = m_engine.roundsToLoad.value(path, 2);
    m_textSoFarAsked = false;
    m_engine.mostPagesInFlight = std::max(m_engine.mostPagesInFlight, m_engine.pagesInFlight());
}

inline void FakePageLoader::abandon()
{
    ++m_engine.abandonedPages;
    m_path = QString();
}

inline void FakePageLoader::processEvents()
{
    if (!isLoading() || --m_roundsLeft > 0)
        return;
    if (m_engine.hangingPages.contains(m_path)
        && !(m_textSoFarAsked && m_engine.pages.contains(m_path)))
        return;
    const QString path = std::exchange(m_path, QString());
    if (m_engine.pages.contains(path))
        emit pageLoaded(m_engine.pages.value(path));
    else
        emit pageFailed(QStringLiteral("not found"));
}

class FakePump : public MessagePump
{
public:
    int pumps = 0;
    int waitingPumps = 0; // those that could have waited for an event
    int longestWaitMs = 0;
    FakePageEngine *engine = nullptr; // its pages move on at every round of events
    std::function<void()> onPump;

    void processPending() override
    {
        ++pumps;
        if (engine)
            engine->processEvents();
        if (onPump)
            onPump();
    }
    void wakeUp() override {}
    void processPendingOrWait(int maxWaitMs) override
    {
        ++waitingPumps;
        longestWaitMs = std::max(longestWaitMs, maxWaitMs);
        processPending();
    }
};

// Time moves only when a test moves it, or by stepPerRead at every reading.
class FakeClock : public Clock
{
public:
    mutable double now = 1000.0;
    double stepPerRead = 0.0;
    int midnightSeconds = 0;

    double monotonicSeconds() const override
    {
        now += stepPerRead;
        return now;
    }
    int secondsSinceMidnight() const override { return midnightSeconds; }
};

class FakeRandom : public RandomSource
{
public:
    double value = 0.5;
    double next() override { return value; }
};

class FakeMessages : public MessageBoxes
{
public:
    QStringList shown;
    std::function<void(const QString &)> onShow;

    void inform(const QString &text) override
    {
        shown << text;
        if (onShow)
            onShow(text);
    }
};

class FakeDesktop : public Desktop
{
public:
    QStringList openedUrls;

    void openUrl(const QString &url) override { openedUrls << url; }
    [[noreturn]] void endProcess() override { throw ProcessEnded(); }
};

class FakeFileDialog : public FileDialog
{
public:
    QStringList picked;
    int opened = 0;
    QStringList showOpen(QWidget *, const FileDialogSettings &) override
    {
        ++opened;
        return picked;
    }
};

class FakeFolderBrowser : public FolderBrowser
{
public:
    QString folder;
    QString browseForFolder(QWidget *, const QString &) override { return folder; }
};

class FakeCursor : public CursorPosition
{
public:
    QPoint pos{100, 330};
    QPoint screenPos() const override { return pos; }
};

// Writes to the real file system as the program does, or only counts the writes, for lists too
// long to write file by file.
class FakeFileWriter : public TextFileWriter
{
public:
    bool offDisk = false;
    int writes = 0;
    int commits = 0;
    std::function<void(const QString &)> onWrite; // on the thread that writes

    bool stageFile(const QString &path, const QByteArray &content, QString &error) override
    {
        ++writes;
        if (onWrite)
            onWrite(path);
        if (offDisk) {
            ++m_stagedOffDisk;
            return true;
        }
        return m_real.stageFile(path, content, error);
    }

    bool stageFileBelow(const QString &folder, const QString &pathBelow, const QByteArray &content,
                        QString &error) override
    {
        ++writes;
        if (onWrite)
            onWrite(folder + u'/' + pathBelow);
        if (offDisk) {
            ++m_stagedOffDisk;
            return true;
        }
        return m_real.stageFileBelow(folder, pathBelow, content, error);
    }

    std::vector<std::optional<QString>> commitStaged() override
    {
        ++commits;
        if (offDisk)
            return std::vector<std::optional<QString>>(std::exchange(m_stagedOffDisk, 0));
        return m_real.commitStaged();
    }

private:
    QtTextFileWriter m_real;
    int m_stagedOffDisk = 0;
};

// What a run told its observer: the items done, in the order it said so.
class FakeObserver : public RunObserver
{
public:
    QList<int> itemsDone;
    QList<ItemOutcome> outcomes;

    void itemDone(int itemNumber, const ItemOutcome &outcome) override
    {
        itemsDone << itemNumber;
        outcomes << outcome;
    }
};

// All the fakes together, ready to hand to the window.
struct FakePlatform
{
    FakePageEngine engine;
    FakePump pump;
    FakeClock clock;
    FakeRandom random;
    FakeMessages messages;
    FakeDesktop desktop;
    FakeFileDialog fileDialog;
    FakeFolderBrowser folderBrowser;
    FakeCursor cursor;
    FakeFileWriter fileWriter;

    FakePlatform() { pump.engine = &engine; }
    FakePlatform(const FakePlatform &) = delete;

    Platform platform()
    {
        return {engine,  pump,       clock,         random, messages,
                desktop, fileDialog, folderBrowser, cursor, fileWriter};
    }
};
