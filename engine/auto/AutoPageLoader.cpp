#include "engine/auto/AutoPageLoader.h"

#include <utility>

AutoPageLoader::AutoPageLoader(BrowserLoaderFactory makeBrowserLoader, double fastEngineSeconds,
                               QObject *parent)
    : PageLoader(parent)
    , m_makeBrowserLoader(std::move(makeBrowserLoader))
{
    m_fastEngineTime.setSingleShot(true);
    m_fastEngineTime.setInterval(std::chrono::milliseconds(qint64(fastEngineSeconds * 1000)));
    connect(&m_fastEngineTime, &QTimer::timeout, this, [this] {
        m_fast.abandon();
        loadInBrowser(BrowserReason::TimeBound);
    });
    for (auto done : {&PageLoader::pageLoaded, &PageLoader::pageFailed}) {
        connect(&m_fast, done, &m_fastEngineTime, &QTimer::stop);
        connect(&m_fast, done, this, [this] { ++m_pages->fast; });
    }
    connect(&m_fast, &PageLoader::pageLoaded, this, &PageLoader::pageLoaded);
    connect(&m_fast, &PageLoader::pageFailed, this, &PageLoader::pageFailed);
    connect(&m_fast, &FastPageLoader::pageNotExact, this, &AutoPageLoader::loadInBrowser);
}

AutoPageLoader::~AutoPageLoader() = default;

void AutoPageLoader::load(const QString &path)
{
    m_path = path;
    m_listedFolder = std::exchange(m_nextListedFolder, {});
    m_inBrowser = false;
    m_fast.load(path);
    m_fastEngineTime.start();
}

void AutoPageLoader::loadInBrowser(BrowserReason reason)
{
    m_fastEngineTime.stop();
    if (!m_browser) {
        m_browser = m_makeBrowserLoader();
        for (auto done : {&PageLoader::pageLoaded, &PageLoader::pageFailed})
            connect(m_browser.get(), done, this,
                    [this] { m_pages->countBrowserPage(m_browserReason); });
        connect(m_browser.get(), &PageLoader::pageLoaded, this, &PageLoader::pageLoaded);
        connect(m_browser.get(), &PageLoader::pageFailed, this, &PageLoader::pageFailed);
        connect(m_browser.get(), &PageLoader::pageNoted, this, &PageLoader::pageNoted);
    }
    m_inBrowser = true;
    m_browserReason = reason;
    m_browser->setListedFolder(m_listedFolder);
    m_browser->load(m_path);
}

void AutoPageLoader::readTextSoFar()
{
    if (m_inBrowser)
        m_browser->readTextSoFar();
    else
        m_fast.readTextSoFar();
}

void AutoPageLoader::abandon()
{
    if (m_inBrowser)
        m_browser->abandon();
    else
        m_fast.abandon();
    m_fastEngineTime.stop();
    m_inBrowser = false;
}
