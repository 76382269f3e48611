#pragma once

#include <QSet>
#include <QUrl>
#include <QWebEngineUrlRequestInterceptor>

#include <set>

// Refuses every request that would leave the machine: only local files and data:, about: and
// blob: URLs get through. Documents (pages and frames) come from our own handler for local
// files; what the page's elements use (scripts, style sheets, fonts) comes from the engine's own
// file:// loader, and only from regular files, scripts only after our handler has let them go on.
// A page's scripts read no local file: XMLHttpRequest, fetch(), workers and module scripts never
// get one.
class LocalOnlyRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    // A page saved as one file loads only as a file:// URL, and then takes nothing from outside
    // itself: that one file:// URL is let through (a regular file; empty for none).
    void setArchivePath(const QString &absolutePath);

    // For a page that runs no script, nothing can read what its elements use: style sheets and
    // fonts then come from our own handler, without the redirect to the engine's loader.
    void setPageRunsScripts(bool runs);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

public slots:
    // The local file handler sends a script on to the engine's own loader, at `fileUrl`: the
    // request of that URL's query is let through as it comes back, once.
    void expectScriptSentOn(const QUrl &fileUrl);

signals:
    // A script or a frame is on its way: the element that asked for it fires its "load" or
    // "error" event once it has arrived and (for a script) run.
    void awaitedFileRequested(const QString &absolutePath);

private:
    void redirect(QWebEngineUrlRequestInfo &info, const QUrl &target);

    std::multiset<QString> m_redirectsUnderWay; // by type, scheme and path
    QSet<QString> m_scriptsSentOn;              // the marks of their URLs' queries
    QString m_archivePath;
    bool m_pageRunsScripts = true;
};
