#pragma once

// Stand-ins for everything outside the process, so that tests drive the window and the run
// without a display, a browser or a user. Each fake records what it was asked and lets a test
// react at the moment it is asked (the hooks run where the real thing would process events).

#include "convert/RunView.h"
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
#include "platform/RenderEngine.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <functional>

// Thrown by FakeDesktop::endProcess(), so a test can see that the process would end there.
struct ProcessEnded
{
};

// A page loader that answers from a table: path -> text. A path missing from the table fails
// to load. A page becomes complete after pollsUntilComplete readiness polls; a hanging page
// (a script that never ends) never does, but gives its text so far when asked, if the table
// has any.
class FakeEngine : public RenderEngine
{
public:
    QHash<QString, QString> pages;
    QSet<QString> hangingPages;
    static constexpr int pollsUntilComplete = 2;
    QStringList navigations;
    int abandonedPages = 0;

    void setSilent(bool silent) override { this->silent = silent; }
    void navigate(const QString &pathOrUrl) override
    {
        navigations << pathOrUrl;
        m_location = pathOrUrl;
        m_pollsLeft = pollsUntilComplete;
        m_textSoFarAsked = false;
    }
    int readyState() const override
    {
        if (m_pollsLeft > 0) {
            --m_pollsLeft;
            return Loading;
        }
        const bool hangs = hangingPages.contains(m_location)
            && !(m_textSoFarAsked && pages.contains(m_location));
        return hangs ? Loading : Complete;
    }
    bool loadFailed() const override { return !pages.contains(m_location); }
    QString errorString() const override
    {
        return loadFailed() ? QStringLiteral("not found") : QString();
    }
    QString bodyText() const override { return pages.value(m_location); }
    QString location() const override { return m_location; }
    void readTextSoFar() override { m_textSoFarAsked = true; }
    void abandonPage() override { ++abandonedPages; }

    bool silent = false;

private:
    QString m_location = QStringLiteral("about:blank");
    mutable int m_pollsLeft = 0;
    bool m_textSoFarAsked = false;
};

class FakePump : public MessagePump
{
public:
    int pumps = 0;
    int waitingPumps = 0; // those that could have waited for an event
    int longestWaitMs = 0;
    std::function<void()> onPump;

    void processPending() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }
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
    QString selection;
    int opened = 0;
    QString showOpen(QWidget *, const FileDialogSettings &) override
    {
        ++opened;
        return selection;
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

    bool writeFile(const QString &path, const QByteArray &content, QString &error) override
    {
        ++writes;
        return offDisk || m_real.writeFile(path, content, error);
    }

private:
    QtTextFileWriter m_real;
};

// What a conversion run would show in the window: the progress bar's values, in order.
class FakeRunView : public RunView
{
public:
    QList<float> progress;

    void setMousePointer(int) override {}
    void setProgress(float percent) override { progress << percent; }
};

// All the fakes together, ready to hand to the window.
struct FakePlatform
{
    FakeEngine engine;
    FakePump pump;
    FakeClock clock;
    FakeRandom random;
    FakeMessages messages;
    FakeDesktop desktop;
    FakeFileDialog fileDialog;
    FakeFolderBrowser folderBrowser;
    FakeCursor cursor;
    FakeFileWriter fileWriter;

    Platform platform() { return {engine, pump, clock, random, messages, desktop, fileDialog,
                                  folderBrowser, cursor, fileWriter}; }
};
