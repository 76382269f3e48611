#include "engine/AutoPageLoader.h"

AutoPageLoader::AutoPageLoader(BrowserLoaderFactory makeBrowserLoader, QObject *parent)
    : PageLoader(parent)
    , m_makeBrowserLoader(std::move(makeBrowserLoader))
{
    connect(&m_fast, &PageLoader::pageLoaded, this, &PageLoader::pageLoaded);
    connect(&m_fast, &PageLoader::pageFailed, this, &PageLoader::pageFailed);
    connect(&m_fast, &FastPageLoader::pageNotExact, this, &AutoPageLoader::loadInBrowser);
}

AutoPageLoader::~AutoPageLoader() = default;

void AutoPageLoader::load(const QString &path)
{
    m_path = path;
    m_inBrowser = false;
    m_fast.load(path);
}

void AutoPageLoader::loadInBrowser()
{
    if (!m_browser) {
        m_browser = m_makeBrowserLoader();
        connect(m_browser.get(), &PageLoader::pageLoaded, this, &PageLoader::pageLoaded);
        connect(m_browser.get(), &PageLoader::pageFailed, this, &PageLoader::pageFailed);
    }
    m_inBrowser = true;
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
    m_inBrowser = false;
}
