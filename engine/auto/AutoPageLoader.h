#pragma once

#include "engine/PageEngine.h"
#include "engine/PageLoader.h"
#include "engine/fast/FastPageLoader.h"

#include <QTimer>

#include <functional>
#include <memory>

// One page in flight of AutoEngine: the fast engine reads each page first and gives its text
// when that is the browser's for sure; otherwise the page is loaded again by a browser loader,
// made the first time one is needed. So is a page the fast engine is still computing after
// `fastEngineSeconds` (a page huge in elements times rules, say): that computation is stopped.
class AutoPageLoader : public PageLoader
{
    Q_OBJECT

public:
    using BrowserLoaderFactory = std::function<std::unique_ptr<PageLoader>()>;

    explicit AutoPageLoader(BrowserLoaderFactory makeBrowserLoader, double fastEngineSeconds = 10.0,
                            QObject *parent = nullptr);
    ~AutoPageLoader() override;

    void load(const QString &path) override;
    void setListedFolder(const QString &folder) override { m_nextListedFolder = folder; }
    void readTextSoFar() override;
    void abandon() override;

    // Counts the pages each engine answers for in `pages`, shared by the loaders of one run.
    void countPagesIn(std::shared_ptr<PagesByEngine> pages) { m_pages = std::move(pages); }

private:
    void loadInBrowser(BrowserReason reason);

    FastPageLoader m_fast{FastPageLoader::Pages::ExactOnly};
    QTimer m_fastEngineTime; // runs while the fast engine has the page
    BrowserLoaderFactory m_makeBrowserLoader;
    std::unique_ptr<PageLoader> m_browser;
    std::shared_ptr<PagesByEngine> m_pages = std::make_shared<PagesByEngine>();
    QString m_path;
    QString m_listedFolder; // the page's, for the browser
    QString m_nextListedFolder;
    bool m_inBrowser = false; // the current page is the browser loader's
    BrowserReason m_browserReason = BrowserReason::UnknownScript; // why it is
};
